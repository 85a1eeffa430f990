// SimProcesses::RunProcess: the same emulators as RunHidden, started by executable path,
// with a time-out that may leave the tool running.
#include <utility>

#include "platform/sim/processes_sim.h"

namespace platform {

support::Result<ProcessEnd> SimProcesses::RunProcess(const std::wstring& exe,
                                                     const std::wstring& command_line,
                                                     const std::wstring& work_dir,
                                                     std::uint32_t timeout_ms, bool kill_on_timeout,
                                                     bool no_window) {
  Run run;
  run.command_line = command_line;
  run.timeout_ms = timeout_ms;
  run.exe = exe;
  run.work_dir = work_dir;
  run.no_window = no_window;
  // Step 1: start the tool, or fail the way CreateProcessW would.
  Emulator emulator;
  {
    std::lock_guard lock(mutex_);
    std::optional<support::PortError> failure = std::move(start_fault_);
    start_fault_.reset();
    const auto it = Find(emulators_, exe);
    if (!failure && it == emulators_.end()) {
      failure = support::Fail(support::ErrorCode::kNotFound, {}, 2);  // ERROR_FILE_NOT_FOUND
    }
    if (failure) {
      runs_.push_back(run);
      failure->what = L"CreateProcessW " + exe;
      return *failure;
    }
    emulator = it->second;
  }
  // Step 2: the tool runs unlocked, then the wait on the sim clock.
  Outcome outcome = emulator(command_line);
  const bool timed_out = outcome.duration_ms > timeout_ms;
  clock_.Advance(timed_out ? timeout_ms : outcome.duration_ms);
  run.started = true;
  run.terminated = timed_out && kill_on_timeout;
  run.left_running = timed_out && !kill_on_timeout;
  {
    std::lock_guard lock(mutex_);
    runs_.push_back(run);
  }
  if (timed_out) return ProcessEnd{true, kill_on_timeout ? 1u : 0u};
  if (outcome.finish) outcome.finish();
  return ProcessEnd{false, outcome.exit_code};
}

}  // namespace platform
