#include "platform/sim/processes_sim.h"

#include <algorithm>
#include <utility>

#include "platform/sim/fault_queue.h"
#include "platform/sim/sim_text.h"

namespace platform {
using support::ErrorCode;

namespace {

constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

// A RunHidden or RunCaptured call as the log keeps it: no executable or folder of its own.
SimProcesses::Run HiddenRun(const std::wstring& command_line, std::uint32_t timeout_ms,
                            bool started, bool terminated) {
  SimProcesses::Run run;
  run.command_line = command_line;
  run.timeout_ms = timeout_ms;
  run.started = started;
  run.terminated = terminated;
  return run;
}

}  // namespace

SimProcesses::SimProcesses(SimClock& clock) : clock_(clock) {}

std::wstring SimProcesses::PathKey(std::wstring exe) {
  std::replace(exe.begin(), exe.end(), L'/', L'\\');
  const std::size_t slash = exe.find_last_of(L'\\');
  const std::size_t dot = exe.find_last_of(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) exe += L".exe";
  return sim::FoldCase(exe);
}

template <typename Map>
typename Map::iterator SimProcesses::Find(Map& map, const std::wstring& exe) {
  const std::wstring key = PathKey(exe);
  const std::size_t slash = key.find_last_of(L'\\');
  // CreateProcessW would search the program's folder, the system folders and PATH for a
  // bare name; an elevated program must never rely on that, so the sim finds nothing.
  if (slash == std::wstring::npos) return map.end();
  const auto exact = map.find(key);
  return exact != map.end() ? exact : map.find(key.substr(slash + 1));
}

support::Result<SimProcesses::Outcome> SimProcesses::Execute(const std::wstring& command_line,
                                                             std::uint32_t timeout_ms) {
  // Step 1: start the tool, or fail the way CreateProcessW would.
  Emulator emulator;
  {
    std::lock_guard lock(mutex_);
    Run run = HiddenRun(command_line, timeout_ms, false, false);
    std::optional<support::PortError> failure = std::move(start_fault_);
    start_fault_.reset();
    const auto it = Find(emulators_, ImagePath(command_line));
    if (!failure && it == emulators_.end()) {
      failure = support::Fail(ErrorCode::kNotFound, {}, 2);  // ERROR_FILE_NOT_FOUND
    }
    if (failure) {
      runs_.push_back(run);
      failure->what = L"CreateProcessW " + command_line;
      return *failure;
    }
    emulator = it->second;
  }
  // Step 2: the tool runs unlocked: it may drive other sims, or run tools itself.
  Outcome outcome = emulator(command_line);
  // Step 3: the wait, on the sim clock.
  const bool timed_out = timeout_ms != kInfinite && outcome.duration_ms > timeout_ms;
  clock_.Advance(timed_out ? timeout_ms : outcome.duration_ms);
  {
    std::lock_guard lock(mutex_);
    runs_.push_back(HiddenRun(command_line, timeout_ms, true, timed_out));
  }
  if (timed_out) return support::Fail(ErrorCode::kTimeout, command_line, 258);
  if (outcome.finish) outcome.finish();
  return outcome;
}

support::Result<std::uint32_t> SimProcesses::RunHidden(const std::wstring& command_line,
                                                       std::uint32_t timeout_ms) {
  auto outcome = Execute(command_line, timeout_ms);
  if (!outcome) return outcome.error();
  return outcome->exit_code;
}

support::Result<Processes::CapturedRun> SimProcesses::RunCaptured(const std::wstring& command_line,
                                                                  std::uint32_t timeout_ms,
                                                                  std::size_t max_bytes) {
  auto outcome = Execute(command_line, timeout_ms);
  if (!outcome) return outcome.error();
  return CapturedRun{outcome->exit_code, outcome->output.substr(0, max_bytes)};
}

support::Result<std::vector<std::wstring>> SimProcesses::ImageNames() {
  std::lock_guard lock(mutex_);
  if (list_fault_) {
    support::PortError fault = *list_fault_;
    list_fault_.reset();
    return fault;
  }
  return images_;
}

void SimProcesses::SetImageNames(std::vector<std::wstring> names) {
  std::lock_guard lock(mutex_);
  images_ = std::move(names);
}

void SimProcesses::FailNextImageNames(ErrorCode code) {
  std::lock_guard lock(mutex_);
  list_fault_ = support::Fail(code, L"CreateToolhelp32Snapshot", sim::UsualWin32Error(code));
}

void SimProcesses::Register(const std::wstring& exe_path, Emulator emulator) {
  std::lock_guard lock(mutex_);
  emulators_[PathKey(exe_path)] = std::move(emulator);
}

void SimProcesses::RegisterFixed(const std::wstring& exe_path, std::uint32_t exit_code,
                                 std::uint32_t duration_ms) {
  Register(exe_path, [exit_code, duration_ms](const std::wstring&) {
    return Outcome::Ends(exit_code, duration_ms);
  });
}

void SimProcesses::Unregister(const std::wstring& exe_path) {
  std::lock_guard lock(mutex_);
  emulators_.erase(PathKey(exe_path));
}

void SimProcesses::FailNextStart(ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  start_fault_ = support::Fail(code, {}, win32_error ? win32_error : sim::UsualWin32Error(code));
}

support::Result<std::uint32_t> SimProcesses::Start(const std::wstring& command_line,
                                                   const std::wstring&, bool) {
  // Step 1: fail the way CreateProcessW would, or pick the model that runs it.
  App app;
  Emulator emulator;
  std::uint32_t id = 0;
  {
    std::lock_guard lock(mutex_);
    started_.push_back(command_line);
    std::optional<support::PortError> failure = std::move(start_fault_);
    start_fault_.reset();
    const std::wstring exe = ImagePath(command_line);
    const auto app_it = Find(apps_, exe);
    const auto tool_it = Find(emulators_, exe);
    if (!failure && app_it == apps_.end() && tool_it == emulators_.end()) {
      failure = support::Fail(ErrorCode::kNotFound, {}, 2);  // ERROR_FILE_NOT_FOUND
    }
    if (failure) {
      failure->what = L"CreateProcessW " + command_line;
      return *failure;
    }
    id = next_id_;
    next_id_ += 4;
    processes_[id] = Process{ImagePath(command_line), true, 259, std::nullopt, {}};
    if (app_it != apps_.end())
      app = app_it->second;
    else
      emulator = tool_it->second;
  }
  // Step 2: the program starts unlocked, since a model may drive other sims.
  if (app) {
    app(id, command_line);
    return id;
  }
  Outcome outcome = emulator(command_line);
  std::lock_guard lock(mutex_);
  Process& process = processes_[id];
  process.exit_code = outcome.exit_code;
  if (outcome.duration_ms != kForever) process.ends_at = clock_.TickCount64() + outcome.duration_ms;
  process.finish = std::move(outcome.finish);
  return id;
}

std::vector<Processes::Entry> SimProcesses::List() {
  Settle();
  std::lock_guard lock(mutex_);
  std::vector<Entry> entries;
  for (const auto& [id, process] : processes_) {
    if (process.running) entries.push_back(Entry{id, 1, process.image_path});
  }
  return entries;
}

support::Status SimProcesses::Terminate(std::uint32_t id, std::uint32_t exit_code) {
  Settle();
  std::lock_guard lock(mutex_);
  const auto it = processes_.find(id);
  if (it == processes_.end() || !it->second.running) {
    return support::Fail(ErrorCode::kNotFound, L"TerminateProcess", 87);
  }
  it->second.running = false;
  it->second.exit_code = exit_code;
  it->second.finish = nullptr;  // a killed program never ends its work
  return {};
}

support::Result<std::uint32_t> SimProcesses::Wait(std::uint32_t id, std::uint32_t timeout_ms) {
  Settle();
  std::optional<std::uint64_t> ends_at;
  {
    std::lock_guard lock(mutex_);
    const auto it = processes_.find(id);
    if (it == processes_.end()) return support::Fail(ErrorCode::kNotFound, L"OpenProcess", 87);
    if (!it->second.running) return it->second.exit_code;
    ends_at = it->second.ends_at;
  }
  // It ends within the wait only when it is a tool whose end comes soon enough.
  const std::uint64_t now = clock_.TickCount64();
  if (ends_at && *ends_at <= now + timeout_ms) {
    clock_.Advance(*ends_at - now);
    return Wait(id, 0);
  }
  clock_.Advance(timeout_ms);
  return support::Fail(ErrorCode::kTimeout, L"WaitForSingleObject", 258);
}

void SimProcesses::RegisterApp(const std::wstring& exe_path, App app) {
  std::lock_guard lock(mutex_);
  apps_[PathKey(exe_path)] = std::move(app);
}

void SimProcesses::Exit(std::uint32_t id, std::uint32_t exit_code) {
  std::lock_guard lock(mutex_);
  const auto it = processes_.find(id);
  if (it == processes_.end() || !it->second.running) return;
  it->second.running = false;
  it->second.exit_code = exit_code;
}

bool SimProcesses::IsRunning(std::uint32_t id) {
  Settle();
  std::lock_guard lock(mutex_);
  const auto it = processes_.find(id);
  return it != processes_.end() && it->second.running;
}

std::vector<std::wstring> SimProcesses::started() {
  std::lock_guard lock(mutex_);
  return started_;
}

void SimProcesses::Settle() {
  std::vector<std::function<void()>> finished;
  {
    std::lock_guard lock(mutex_);
    const std::uint64_t now = clock_.TickCount64();
    for (auto& [id, process] : processes_) {
      if (!process.running || !process.ends_at || *process.ends_at > now) continue;
      process.running = false;
      if (process.finish) finished.push_back(std::move(process.finish));
      process.finish = nullptr;
    }
  }
  for (const auto& finish : finished) finish();
}

std::wstring SimProcesses::ImagePath(const std::wstring& command_line) {
  const std::size_t i = command_line.find_first_not_of(L" \t");
  if (i == std::wstring::npos) return {};
  if (command_line[i] == L'"') {
    const std::size_t end = command_line.find(L'"', i + 1);
    return command_line.substr(i + 1, end == std::wstring::npos ? end : end - i - 1);
  }
  return command_line.substr(i, command_line.find_first_of(L" \t", i) - i);
}

std::vector<SimProcesses::Run> SimProcesses::runs() {
  std::lock_guard lock(mutex_);
  return runs_;
}

std::vector<std::wstring> SimProcesses::command_lines() {
  std::lock_guard lock(mutex_);
  std::vector<std::wstring> lines;
  for (const Run& run : runs_) lines.push_back(run.command_line);
  return lines;
}

}  // namespace platform
