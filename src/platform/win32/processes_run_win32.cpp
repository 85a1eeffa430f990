// Win32Processes::RunProcess: a tool started by path in its own folder, with a window or
// without, that may be left running past its limit.
#include <windows.h>

#include "platform/win32/processes_win32.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;
using win32::UniqueHandle;

namespace {

constexpr DWORD kTerminateWaitMs = 5000;

}  // namespace

support::Result<ProcessEnd> Win32Processes::RunProcess(const std::wstring& exe,
                                                       const std::wstring& command_line,
                                                       const std::wstring& work_dir,
                                                       std::uint32_t timeout_ms,
                                                       bool kill_on_timeout, bool no_window) {
  // Step 1: start it; CreateProcessW may write into the command line, so it gets a copy.
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (no_window) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE,
                        no_window ? CREATE_NO_WINDOW : 0, nullptr,
                        work_dir.empty() ? nullptr : work_dir.c_str(), &startup, &info)) {
    return LastError(L"CreateProcessW " + exe);
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);
  // Step 2: wait; past the limit either kill it and wait until it is gone, or leave it.
  const DWORD wait = ::WaitForSingleObject(process.Get(), timeout_ms);
  if (wait == WAIT_TIMEOUT) {
    if (!kill_on_timeout) return ProcessEnd{true, 0};
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), kTerminateWaitMs);
    return ProcessEnd{true, 1};
  }
  if (wait != WAIT_OBJECT_0) return LastError(L"WaitForSingleObject " + exe);
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.Get(), &exit_code)) {
    return LastError(L"GetExitCodeProcess " + exe);
  }
  return ProcessEnd{false, exit_code};
}

}  // namespace platform
