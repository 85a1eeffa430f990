// SimProcesses: tools of the simulated machine. A test (or a sim) registers an emulator
// per executable path ("C:\Windows\system32\powercfg.exe", case-insensitive; a name
// without extension gets ".exe" as CreateProcessW adds it), so a tool started from another
// folder is not found. A program whose folder each run makes up (a setup in an unpacked
// package) is registered by file name alone and found in any folder. A command line
// without a folder finds nothing: an elevated program never searches PATH. The emulator
// gets the whole command line, may change other sims' state, and says how the run ended
// and how long it took. The run takes that long on the sim clock, or the time-out when it
// is longer, in which case the process is terminated: what the emulator did stays (a
// killed tool may have done part of its work), but its `finish` step never runs. Every
// run is recorded.
//
// Started processes (Start) live on the same clock: a tool emulator's process ends
// `duration_ms` after its start (never when that is kForever); an app model (RegisterApp)
// runs until it calls Exit or is terminated. Ends are noticed lazily, whenever a call
// looks at the process table.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
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

    // Ends with `exit_code` after `duration_ms`, printing nothing.
    static Outcome Ends(std::uint32_t exit_code, std::uint32_t duration_ms,
                        std::function<void()> finish = {}) {
      return {exit_code, duration_ms, std::move(finish), {}};
    }
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

  // A long-running program: called at its start with its process id.
  using App = std::function<void(std::uint32_t id, const std::wstring& command_line)>;
  static constexpr std::uint32_t kForever = 0xFFFFFFFF;

  explicit SimProcesses(SimClock& clock);

  support::Result<std::uint32_t> RunHidden(const std::wstring& command_line,
                                           std::uint32_t timeout_ms) override;
  support::Result<CapturedRun> RunCaptured(const std::wstring& command_line,
                                           std::uint32_t timeout_ms,
                                           std::size_t max_bytes) override;
  support::Result<std::vector<std::wstring>> ImageNames() override;
  // The tool is the emulator registered for `exe`.
  support::Result<ProcessEnd> RunProcess(const std::wstring& exe, const std::wstring& command_line,
                                         const std::wstring& work_dir, std::uint32_t timeout_ms,
                                         bool kill_on_timeout, bool no_window) override;
  support::Result<std::uint32_t> Start(const std::wstring& command_line,
                                       const std::wstring& work_dir, bool hidden) override;
  std::vector<Entry> List() override;
  support::Status Terminate(std::uint32_t id, std::uint32_t exit_code) override;
  support::Result<std::uint32_t> Wait(std::uint32_t id, std::uint32_t timeout_ms) override;

  // Test controls.
  void Register(const std::wstring& exe_path, Emulator emulator);
  // A tool that always ends with `exit_code` after `duration_ms`.
  void RegisterFixed(const std::wstring& exe_path, std::uint32_t exit_code,
                     std::uint32_t duration_ms = 0);
  void Unregister(const std::wstring& exe_path);
  void RegisterApp(const std::wstring& exe_path, App app);
  // An app model ends its own process.
  void Exit(std::uint32_t id, std::uint32_t exit_code);
  bool IsRunning(std::uint32_t id);
  // The command lines given to Start, in order.
  std::vector<std::wstring> started();
  // The next start fails with `code` / `win32_error` (0 picks the usual code).
  void FailNextStart(support::ErrorCode code, std::uint32_t win32_error = 0);
  std::vector<Run> runs();
  // The command lines run so far, in order.
  std::vector<std::wstring> command_lines();

  // The images ImageNames lists ("System" and "explorer.exe" until a test says otherwise).
  void SetImageNames(std::vector<std::wstring> names);
  // The next ImageNames fails with `code`.
  void FailNextImageNames(support::ErrorCode code);

 private:
  // The executable of a command line: its first token, quoted or up to the first blank.
  static std::wstring ImagePath(const std::wstring& command_line);
  // The key of an executable path or file name (may contain blanks): upper-cased, with
  // back slashes, and ".EXE" added when it has no extension.
  static std::wstring PathKey(std::wstring exe);
  // The registration that starts `exe`: its full path's, else its file name's; none for
  // a bare name.
  template <typename Map>
  static typename Map::iterator Find(Map& map, const std::wstring& exe);

  struct Process {
    std::wstring image_path;
    bool running = true;
    std::uint32_t exit_code = 259;         // STILL_ACTIVE
    std::optional<std::uint64_t> ends_at;  // tick count of a tool's natural end
    std::function<void()> finish;
  };
  // Ends the tools whose time has come; runs their finish steps unlocked.
  void Settle();

  SimClock& clock_;
  std::map<std::wstring, App> apps_;  // by PathKey
  std::map<std::uint32_t, Process> processes_;
  std::uint32_t next_id_ = 4000;
  std::vector<std::wstring> started_;
  std::mutex mutex_;
  std::map<std::wstring, Emulator> emulators_;  // by PathKey
  // Starts the tool and waits on the sim clock: its outcome, or the start or time-out error.
  support::Result<Outcome> Execute(const std::wstring& command_line, std::uint32_t timeout_ms);

  std::optional<support::PortError> start_fault_;
  std::optional<support::PortError> list_fault_;
  std::vector<std::wstring> images_{L"System", L"explorer.exe"};
  std::vector<Run> runs_;
};

}  // namespace platform
