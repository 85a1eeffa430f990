// SimProcesses: tools of the simulated machine. A test (or a sim) registers an emulator
// per executable file name ("powercfg.exe", case-insensitive; a name without extension
// gets ".exe" as CreateProcessW adds it). The emulator gets the whole command line, may
// change other sims' state, and says how the run ended and how long it took. The run
// takes that long on the sim clock, or the time-out when it is longer, in which case the
// process is terminated: what the emulator did stays (a killed tool may have done part of
// its work), but its `finish` step never runs. Every run is recorded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/sim/clock_sim.h"

namespace platform {

class SimProcesses final : public Processes {
 public:
  struct Outcome {
    std::uint32_t exit_code = 0;
    std::uint32_t duration_ms = 0;
    // Work the tool does as it ends (its last output file, say); skipped when killed.
    std::function<void()> finish;
    // What it prints (standard output and error together); lost when it is killed.
    std::string output;
  };
  using Emulator = std::function<Outcome(const std::wstring& command_line)>;

  struct Run {
    std::wstring command_line;
    std::uint32_t timeout_ms = 0;
    bool started = false;     // false: the start failed (unknown tool or injected fault)
    bool terminated = false;  // killed at the time-out
    // RunProcess only: the executable, folder and window choice, and a tool that was
    // still running at the time-out and left so.
    std::wstring exe;
    std::wstring work_dir;
    bool no_window = true;
    bool left_running = false;
  };

  explicit SimProcesses(SimClock& clock);

  support::Result<std::uint32_t> RunHidden(const std::wstring& command_line,
                                           std::uint32_t timeout_ms) override;
  support::Result<CapturedRun> RunCaptured(const std::wstring& command_line,
                                           std::uint32_t timeout_ms,
                                           std::size_t max_bytes) override;
  support::Result<std::vector<std::wstring>> ImageNames() override;
  // The tool is the emulator registered for the file name of `exe`.
  support::Result<ProcessEnd> RunProcess(const std::wstring& exe, const std::wstring& command_line,
                                         const std::wstring& work_dir, std::uint32_t timeout_ms,
                                         bool kill_on_timeout, bool no_window) override;

  // Test controls.
  void Register(const std::wstring& exe_name, Emulator emulator);
  // A tool that always ends with `exit_code` after `duration_ms`.
  void RegisterFixed(const std::wstring& exe_name, std::uint32_t exit_code,
                     std::uint32_t duration_ms = 0);
  void Unregister(const std::wstring& exe_name);
  // The next start fails with `code` / `win32_error` (0 picks the usual code).
  void FailNextStart(support::ErrorCode code, std::uint32_t win32_error = 0);
  std::vector<Run> runs();
  // The command lines run so far, in order.
  std::vector<std::wstring> command_lines();

  // The images ImageNames lists ("System" and "explorer.exe" until a test says otherwise).
  void SetImageNames(std::vector<std::wstring> names);
  // The next ImageNames fails with `code`.
  void FailNextImageNames(support::ErrorCode code);

  // The executable's file name as the registry of emulators keys it: the first token of
  // the command line (quoted or up to the first blank), without its folder, upper-cased,
  // with ".EXE" added when it has no extension.
  static std::wstring ToolKey(const std::wstring& command_line);

 private:
  // The key of an executable path or file name (may contain blanks).
  static std::wstring NameKey(std::wstring exe);

  SimClock& clock_;
  std::mutex mutex_;
  std::map<std::wstring, Emulator> emulators_;  // by ToolKey of the name
  // Starts the tool and waits on the sim clock: its outcome, or the start or time-out error.
  support::Result<Outcome> Execute(const std::wstring& command_line, std::uint32_t timeout_ms);

  std::optional<support::PortError> start_fault_;
  std::optional<support::PortError> list_fault_;
  std::vector<std::wstring> images_{L"System", L"explorer.exe"};
  std::vector<Run> runs_;
};

}  // namespace platform
