#include "driver/run_process.h"

#include "platform/processes.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kInvalidParameter = 87;

}  // namespace

ProcessOutcome RunProcess(const std::wstring& exe, const std::wstring& commandLine,
                          const std::wstring& workDir, std::uint32_t timeoutMs, bool killOnTimeout,
                          bool noWindow) {
  ProcessOutcome outcome;
  if (exe.find(L'"') != std::wstring::npos || workDir.find(L'"') != std::wstring::npos) {
    outcome.startError = kInvalidParameter;
    return outcome;
  }
  const auto end = platform::Sys().processes.RunProcess(exe, commandLine, workDir, timeoutMs,
                                                        killOnTimeout, noWindow);
  if (!end) {
    outcome.startError = end.error().win32_error;
    return outcome;
  }
  outcome.started = true;
  outcome.timedOut = end->timed_out;
  outcome.exitCode = end->exit_code;
  return outcome;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }
