// Processes port: start a tool hidden and wait for it, and list what runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/result.h"

namespace platform {

// How a RunProcess ended: its exit code, or still running at the time-out.
struct ProcessEnd {
  bool timed_out = false;  // the limit passed; see kill_on_timeout
  std::uint32_t exit_code = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW(nullptr, command_line) with CREATE_NO_WINDOW and SW_HIDE, then a wait
  // of `timeout_ms`. Returns the exit code. Errors: kTimeout when the wait ran out (the
  // process was terminated with code 1 before returning); otherwise the start failure
  // with its win32_error (2 for a missing executable).
  virtual support::Result<std::uint32_t> RunHidden(const std::wstring& command_line,
                                                   std::uint32_t timeout_ms) = 0;

  // A tool's exit code and everything it wrote to standard output and standard error
  // (one pipe, bytes as the tool wrote them).
  struct CapturedRun {
    std::uint32_t exit_code = 0;
    std::string output;
  };
  // RunHidden with both output handles on a pipe that is read while the tool runs, so a
  // talkative tool never blocks on a full pipe. At most `max_bytes` are kept; the rest is
  // read and dropped. Errors as RunHidden.
  virtual support::Result<CapturedRun> RunCaptured(const std::wstring& command_line,
                                                   std::uint32_t timeout_ms,
                                                   std::size_t max_bytes) = 0;
  // The image file names ("explorer.exe") of every process in a Toolhelp snapshot.
  virtual support::Result<std::vector<std::wstring>> ImageNames() = 0;
  // CreateProcessW(exe, command_line) in `work_dir` (empty: ours), without inheriting
  // handles, with CREATE_NO_WINDOW when `no_window`, then a wait of `timeout_ms`. Past
  // the limit the process is terminated with exit code 1 when `kill_on_timeout`, and
  // left running otherwise; either way `timed_out` is set. Errors: the start failure
  // with its win32_error (2 for a missing executable, 267 for a missing folder).
  virtual support::Result<ProcessEnd> RunProcess(const std::wstring& exe,
                                                 const std::wstring& command_line,
                                                 const std::wstring& work_dir,
                                                 std::uint32_t timeout_ms, bool kill_on_timeout,
                                                 bool no_window) = 0;
};

}  // namespace platform
