#include "app/command_runner.h"

#include "platform/environment.h"
#include "platform/processes.h"
#include "platform/system.h"

namespace {

// WaitForSingleObject's WAIT_TIMEOUT: callers know a killed tool by this code.
constexpr std::uint32_t kTimedOut = 258;
constexpr std::uint32_t kPowercfgTimeoutMs = 20000;

}  // namespace

std::uint32_t RunHidden(const std::wstring& exePath, const std::wstring& arguments,
                        std::uint32_t timeoutMs) {
  const std::wstring command_line = L"\"" + exePath + L"\" " + arguments;
  const auto result = platform::Sys().processes.RunHidden(command_line, timeoutMs);
  if (result) return *result;
  if (result.error().code == support::ErrorCode::kTimeout) return kTimedOut;
  return result.error().win32_error != 0 ? result.error().win32_error : 1;
}

std::uint32_t RunPowerShell(const std::wstring& command, std::uint32_t timeoutMs) {
  // From the system folder: %SystemRoot% is the user's to set.
  const std::wstring exe = SystemToolPath(L"WindowsPowerShell\\v1.0\\powershell.exe");
  return RunHidden(
      exe, L"-NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"" + command + L"\"",
      timeoutMs);
}

std::uint32_t RunPowercfg(const std::wstring& arguments) {
  return RunHidden(SystemToolPath(L"powercfg.exe"), arguments, kPowercfgTimeoutMs);
}

std::wstring SystemToolPath(const std::wstring& fileName) {
  return platform::Sys().environment.SystemDirectory() + L"\\" + fileName;
}
