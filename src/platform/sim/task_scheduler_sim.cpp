#include "platform/sim/task_scheduler_sim.h"

#include <cstdint>

#include "platform/sim/sim_text.h"

namespace platform {
namespace {

using support::ErrorCode;

constexpr std::uint32_t kFileNotFound = 0x80070002;
constexpr std::uint32_t kAccessDenied = 0x80070005;
constexpr std::uint32_t kInvalidArg = 0x80070057;
constexpr std::uint32_t kMalformedXml = 0x8004131A;
constexpr std::uint32_t kMissingNode = 0x80041319;
constexpr std::uint32_t kServiceNotRunning = 0x80041315;

bool Has(const std::wstring& text, const wchar_t* part) {
  return text.find(part) != std::wstring::npos;
}

// What Task Scheduler checks before it stores a definition: a document in its task
// namespace with an action that names a program. An empty Arguments element is rejected
// as a value out of range.
std::optional<std::uint32_t> XmlVerdict(const std::wstring& xml) {
  const std::wstring task =
      L"<Task version=\"1.3\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">";
  if (xml.rfind(L"<?xml", 0) != 0 || !Has(xml, task.c_str()) || !Has(xml, L"</Task>")) {
    return kMalformedXml;
  }
  if (!Has(xml, L"<Exec>") || !Has(xml, L"<Command>") || Has(xml, L"<Command></Command>")) {
    return kMissingNode;
  }
  if (Has(xml, L"<Arguments></Arguments>")) return kMalformedXml;
  return std::nullopt;
}

bool ValidName(const std::wstring& name) {
  return !name.empty() && name.front() != L' ' && name.back() != L' ' &&
         name.find(L'\\') == std::wstring::npos;
}

}  // namespace

SimTaskScheduler::SimTaskScheduler(SimEnvironment& environment) : environment_(environment) {}

std::optional<support::PortError> SimTaskScheduler::Unavailable() const {
  if (running_) return std::nullopt;
  return support::Fail(ErrorCode::kFailed, L"ITaskService::Connect", kServiceNotRunning);
}

support::Status SimTaskScheduler::RegisterFromXml(const std::wstring& name, const std::wstring& xml,
                                                  TaskRunAs run_as) {
  const bool elevated = environment_.IsProcessElevated();
  const std::wstring what = L"ITaskFolder::RegisterTask " + name;
  std::lock_guard lock(mutex_);
  if (auto refused = Unavailable()) return *refused;
  if (!ValidName(name)) return support::Fail(ErrorCode::kInvalidArgument, what, kInvalidArg);
  if (const auto verdict = XmlVerdict(xml)) {
    return support::Fail(ErrorCode::kInvalidArgument, what, *verdict);
  }
  const auto existing = tasks_.find(sim::FoldCase(name));
  const bool needs_administrator = run_as == TaskRunAs::kLocalSystem ||
                                   Has(xml, L"<BootTrigger>") ||
                                   (existing != tasks_.end() && existing->second.by_administrator);
  if (needs_administrator && !elevated) {
    return support::Fail(ErrorCode::kAccessDenied, what, kAccessDenied);
  }
  tasks_[sim::FoldCase(name)] = Task{xml, run_as, elevated};
  return {};
}

support::Status SimTaskScheduler::Delete(const std::wstring& name) {
  const bool elevated = environment_.IsProcessElevated();
  const std::wstring what = L"ITaskFolder::DeleteTask " + name;
  std::lock_guard lock(mutex_);
  if (auto refused = Unavailable()) return *refused;
  const auto it = tasks_.find(sim::FoldCase(name));
  if (it == tasks_.end()) return support::Fail(ErrorCode::kNotFound, what, kFileNotFound);
  if (it->second.by_administrator && !elevated) {
    return support::Fail(ErrorCode::kAccessDenied, what, kAccessDenied);
  }
  tasks_.erase(it);
  return {};
}

support::Result<bool> SimTaskScheduler::Exists(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  if (auto refused = Unavailable()) return *refused;
  return tasks_.count(sim::FoldCase(name)) != 0;
}

std::optional<std::wstring> SimTaskScheduler::Xml(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  const auto it = tasks_.find(sim::FoldCase(name));
  if (it == tasks_.end()) return std::nullopt;
  return it->second.xml;
}

std::optional<TaskRunAs> SimTaskScheduler::RunAs(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  const auto it = tasks_.find(sim::FoldCase(name));
  if (it == tasks_.end()) return std::nullopt;
  return it->second.run_as;
}

void SimTaskScheduler::Seed(const std::wstring& name, const std::wstring& xml,
                            bool by_administrator) {
  std::lock_guard lock(mutex_);
  tasks_[sim::FoldCase(name)] = Task{xml, TaskRunAs::kLoggedOnUser, by_administrator};
}

void SimTaskScheduler::SetServiceRunning(bool running) {
  std::lock_guard lock(mutex_);
  running_ = running;
}

}  // namespace platform
