// Starting a vendor tool or installer: by full path, optionally in its own folder, with a
// limit after which it is killed or left running.
#pragma once

#include <cstdint>
#include <string>

struct ProcessOutcome {
  bool started = false;
  bool timedOut = false;
  std::uint32_t exitCode = 0;
  std::uint32_t startError = 0;  // the system error when it did not start
};

// Refuses (not started, error 87) an executable or folder containing a quote: both are
// quoted into the command line, and a quote inside would split it.
ProcessOutcome RunProcess(const std::wstring& exe, const std::wstring& commandLine,
                          const std::wstring& workDir, std::uint32_t timeoutMs, bool killOnTimeout,
                          bool noWindow);

// `text` in double quotes.
std::wstring Quoted(const std::wstring& text);
