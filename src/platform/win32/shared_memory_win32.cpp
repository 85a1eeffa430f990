#include "platform/win32/shared_memory_win32.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <aclapi.h>

#include <algorithm>

#include "platform/win32/win32_error.h"

namespace platform {
using support::ErrorCode;
using win32::LastError;

namespace {

// A mapped view, unmapped on every exit; `size` is its region's size.
class View {
 public:
  View(const std::wstring& name, DWORD access) {
    const win32::UniqueHandle mapping(::OpenFileMappingW(access, FALSE, name.c_str()));
    if (!mapping) {
      error_ = LastError(L"OpenFileMappingW " + name);
      return;
    }
    base_ = ::MapViewOfFile(mapping.Get(), access, 0, 0, 0);
    if (base_ == nullptr) {
      error_ = LastError(L"MapViewOfFile " + name);
      return;
    }
    MEMORY_BASIC_INFORMATION info{};
    if (::VirtualQuery(base_, &info, sizeof(info)) == 0) {
      error_ = LastError(L"VirtualQuery " + name);
      return;
    }
    size_ = info.RegionSize;
  }
  ~View() {
    if (base_ != nullptr) ::UnmapViewOfFile(base_);
  }
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  bool ok() const { return size_ != 0; }
  const support::PortError& error() const { return error_; }
  char* bytes() const { return static_cast<char*>(base_); }
  std::size_t size() const { return size_; }

 private:
  void* base_ = nullptr;
  std::size_t size_ = 0;
  support::PortError error_;
};

}  // namespace

support::Result<std::string> Win32SharedMemory::ReadMapping(const std::wstring& name,
                                                            std::size_t max_bytes) {
  // Mapping the whole view only reserves address space; the copy is what costs memory.
  const View view(name, FILE_MAP_READ);
  if (!view.ok()) return view.error();
  return std::string(view.bytes(), std::min(view.size(), max_bytes));
}

support::Result<bool> Win32SharedMemory::OwnedByAdministrators(const std::wstring& name) {
  const win32::UniqueHandle mapping(::OpenFileMappingW(READ_CONTROL, FALSE, name.c_str()));
  if (!mapping) return LastError(L"OpenFileMappingW " + name);
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD rc = ::GetSecurityInfo(mapping.Get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION,
                                     &owner, nullptr, nullptr, nullptr, &descriptor);
  if (rc != ERROR_SUCCESS) return win32::FromWin32(rc, L"GetSecurityInfo " + name);
  const bool trusted = owner != nullptr && (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                                            ::IsWellKnownSid(owner, WinLocalSystemSid));
  ::LocalFree(descriptor);
  return trusted;
}

support::Status Win32SharedMemory::WriteMapping(const std::wstring& name, std::size_t offset,
                                                std::string_view bytes) {
  const View view(name, FILE_MAP_READ | FILE_MAP_WRITE);
  if (!view.ok()) return view.error();
  if (offset > view.size() || bytes.size() > view.size() - offset) {
    return support::Fail(ErrorCode::kInvalidArgument, L"WriteMapping " + name,
                         ERROR_INVALID_PARAMETER);
  }
  std::copy(bytes.begin(), bytes.end(), view.bytes() + offset);
  return {};
}

support::Status Win32SharedMemory::LockMutex(const std::wstring& name, std::uint32_t timeout_ms) {
  win32::UniqueHandle handle(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str()));
  if (!handle) return LastError(L"OpenMutexW " + name);
  const DWORD wait = ::WaitForSingleObject(handle.Get(), timeout_ms);
  if (wait == WAIT_TIMEOUT) return support::Fail(ErrorCode::kTimeout, name, WAIT_TIMEOUT);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return LastError(L"WaitForSingleObject");
  std::lock_guard lock(mutex_);
  held_[name] = std::move(handle);
  return {};
}

void Win32SharedMemory::UnlockMutex(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  const auto it = held_.find(name);
  if (it == held_.end()) return;
  ::ReleaseMutex(it->second.Get());
  held_.erase(it);
}

}  // namespace platform
