#include "platform/sim/processes_sim.h"

#include <utility>

#include "platform/sim/fault_queue.h"
#include "platform/sim/sim_text.h"

namespace platform {
using support::ErrorCode;

namespace {

constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

}  // namespace

SimProcesses::SimProcesses(SimClock& clock) : clock_(clock) {}

std::wstring SimProcesses::ToolKey(const std::wstring& command_line) {
  std::wstring exe;
  std::size_t i = command_line.find_first_not_of(L" \t");
  if (i == std::wstring::npos) return exe;
  if (command_line[i] == L'"') {
    const std::size_t end = command_line.find(L'"', i + 1);
    exe = command_line.substr(i + 1, end == std::wstring::npos ? end : end - i - 1);
  } else {
    const std::size_t end = command_line.find_first_of(L" \t", i);
    exe = command_line.substr(i, end == std::wstring::npos ? end : end - i);
  }
  return NameKey(exe);
}

std::wstring SimProcesses::NameKey(std::wstring exe) {
  const std::size_t slash = exe.find_last_of(L"\\/");
  if (slash != std::wstring::npos) exe.erase(0, slash + 1);
  if (exe.find(L'.') == std::wstring::npos) exe += L".exe";
  return sim::FoldCase(exe);
}

support::Result<SimProcesses::Outcome> SimProcesses::Execute(const std::wstring& command_line,
                                                             std::uint32_t timeout_ms) {
  // Step 1: start the tool, or fail the way CreateProcessW would.
  Emulator emulator;
  {
    std::lock_guard lock(mutex_);
    Run run{command_line, timeout_ms, false, false};
    std::optional<support::PortError> failure = std::move(start_fault_);
    start_fault_.reset();
    const auto it = emulators_.find(ToolKey(command_line));
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
    runs_.push_back(Run{command_line, timeout_ms, true, timed_out});
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

void SimProcesses::Register(const std::wstring& exe_name, Emulator emulator) {
  std::lock_guard lock(mutex_);
  emulators_[NameKey(exe_name)] = std::move(emulator);
}

void SimProcesses::RegisterFixed(const std::wstring& exe_name, std::uint32_t exit_code,
                                 std::uint32_t duration_ms) {
  Register(exe_name, [exit_code, duration_ms](const std::wstring&) {
    return Outcome{exit_code, duration_ms, {}};
  });
}

void SimProcesses::Unregister(const std::wstring& exe_name) {
  std::lock_guard lock(mutex_);
  emulators_.erase(NameKey(exe_name));
}

void SimProcesses::FailNextStart(ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  start_fault_ = support::Fail(code, {}, win32_error ? win32_error : sim::UsualWin32Error(code));
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
