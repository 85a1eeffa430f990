#include "platform/win32/processes_win32.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;
using win32::UniqueHandle;

namespace {

// How long to wait for a terminated process to be gone before reporting the time-out.
constexpr DWORD kTerminateWaitMs = 5000;

}  // namespace

support::Result<std::uint32_t> Win32Processes::RunHidden(const std::wstring& command_line,
                                                         std::uint32_t timeout_ms) {
  // Step 1: start it hidden, without inheriting our handles. CreateProcessW may write
  // into the command line, so it gets its own copy.
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
    return LastError(L"CreateProcessW " + command_line);
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);
  // Step 2: wait; past the time-out the tool is killed, and is gone when we return.
  const DWORD wait = ::WaitForSingleObject(process.Get(), timeout_ms);
  if (wait == WAIT_TIMEOUT) {
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), kTerminateWaitMs);
    return support::Fail(support::ErrorCode::kTimeout, command_line, WAIT_TIMEOUT);
  }
  if (wait != WAIT_OBJECT_0) return LastError(L"WaitForSingleObject " + command_line);
  // Step 3: its exit code.
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.Get(), &exit_code)) {
    return LastError(L"GetExitCodeProcess " + command_line);
  }
  return std::uint32_t{exit_code};
}

}  // namespace platform
