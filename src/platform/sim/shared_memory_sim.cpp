#include "platform/sim/shared_memory_sim.h"

#include <algorithm>
#include <utility>

namespace platform {
using support::ErrorCode;

SimSharedMemory::SimSharedMemory(SimClock& clock) : clock_(clock) {}

support::Result<std::string> SimSharedMemory::ReadMapping(const std::wstring& name,
                                                          std::size_t max_bytes) {
  std::lock_guard lock(mutex_);
  const auto it = mappings_.find(name);
  if (it == mappings_.end()) return support::Fail(ErrorCode::kNotFound, L"OpenFileMappingW", 2);
  return it->second.substr(0, max_bytes);
}

support::Result<bool> SimSharedMemory::OwnedByAdministrators(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  if (!mappings_.contains(name)) return support::Fail(ErrorCode::kNotFound, L"OpenFileMappingW", 2);
  return !user_owned_.contains(name);
}

support::Status SimSharedMemory::WriteMapping(const std::wstring& name, std::size_t offset,
                                              std::string_view bytes) {
  std::lock_guard lock(mutex_);
  const auto it = mappings_.find(name);
  if (it == mappings_.end()) return support::Fail(ErrorCode::kNotFound, L"OpenFileMappingW", 2);
  if (offset > it->second.size() || bytes.size() > it->second.size() - offset) {
    return support::Fail(ErrorCode::kInvalidArgument, L"MapViewOfFile", 87);
  }
  it->second.replace(offset, bytes.size(), bytes);
  return {};
}

support::Status SimSharedMemory::LockMutex(const std::wstring& name, std::uint32_t timeout_ms) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    hook = lock_hook_;
  }
  if (hook) hook();
  std::lock_guard lock(mutex_);
  const auto it = mutexes_.find(name);
  if (it == mutexes_.end()) return support::Fail(ErrorCode::kNotFound, L"OpenMutexW", 2);
  if (it->second) {
    clock_.Advance(timeout_ms);
    return support::Fail(ErrorCode::kTimeout, L"WaitForSingleObject", 258);
  }
  locked_here_.insert(name);
  return {};
}

void SimSharedMemory::UnlockMutex(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  locked_here_.erase(name);
}

void SimSharedMemory::CreateMapping(const std::wstring& name, std::string bytes, bool admin_owned) {
  std::lock_guard lock(mutex_);
  // As CreateFileMappingW: a name already taken opens that mapping, which keeps its
  // owner and its size; the creator's bytes land at its start.
  const auto it = mappings_.find(name);
  if (it != mappings_.end()) {
    const std::size_t overlap = std::min(bytes.size(), it->second.size());
    it->second.replace(0, overlap, bytes, 0, overlap);
    return;
  }
  mappings_.emplace(name, std::move(bytes));
  if (!admin_owned) user_owned_.insert(name);
}

void SimSharedMemory::CloseMapping(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  mappings_.erase(name);
  user_owned_.erase(name);
}

std::string SimSharedMemory::Bytes(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  const auto it = mappings_.find(name);
  return it == mappings_.end() ? std::string() : it->second;
}

void SimSharedMemory::SetBytes(const std::wstring& name, std::size_t offset,
                               std::string_view bytes) {
  std::lock_guard lock(mutex_);
  std::string& mapping = mappings_[name];
  if (mapping.size() < offset + bytes.size()) mapping.resize(offset + bytes.size());
  mapping.replace(offset, bytes.size(), bytes);
}

void SimSharedMemory::CreateMutex(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  mutexes_.emplace(name, false);
}

void SimSharedMemory::HoldElsewhere(const std::wstring& name, bool held) {
  std::lock_guard lock(mutex_);
  mutexes_[name] = held;
}

bool SimSharedMemory::IsLockedHere(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  return locked_here_.count(name) != 0;
}

void SimSharedMemory::SetLockHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  lock_hook_ = std::move(hook);
}

}  // namespace platform
