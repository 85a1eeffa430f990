#include "platform/win32/processes_win32.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <tlhelp32.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;
using win32::UniqueHandle;

namespace {

// How long to wait for a terminated process to be gone before reporting the time-out.
constexpr DWORD kTerminateWaitMs = 5000;

// OpenProcess of an id no process has fails with ERROR_INVALID_PARAMETER: the port calls
// that kNotFound.
support::PortError OpenFailure() {
  const DWORD code = ::GetLastError();
  if (code == ERROR_INVALID_PARAMETER) {
    return support::Fail(support::ErrorCode::kNotFound, L"OpenProcess", code);
  }
  return win32::FromWin32(code, L"OpenProcess");
}

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

support::Result<std::uint32_t> Win32Processes::Start(const std::wstring& command_line,
                                                     const std::wstring& work_dir, bool hidden) {
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        hidden ? CREATE_NO_WINDOW : 0, nullptr,
                        work_dir.empty() ? nullptr : work_dir.c_str(), &startup, &info)) {
    return LastError(L"CreateProcessW " + command_line);
  }
  const UniqueHandle thread(info.hThread);
  std::lock_guard lock(mutex_);
  started_[info.dwProcessId] = UniqueHandle(info.hProcess);
  return std::uint32_t{info.dwProcessId};
}

std::vector<Processes::Entry> Win32Processes::List() {
  std::vector<Entry> entries;
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return entries;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    Entry e{entry.th32ProcessID, 0xFFFFFFFF, entry.szExeFile};
    DWORD session = 0;
    if (::ProcessIdToSessionId(entry.th32ProcessID, &session)) e.session_id = session;
    // The full path needs a handle, which protected and foreign processes refuse.
    const UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (process && ::QueryFullProcessImageNameW(process.Get(), 0, path, &size)) {
      e.image_path.assign(path, size);
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

support::Status Win32Processes::Terminate(std::uint32_t id, std::uint32_t exit_code) {
  UniqueHandle opened(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
  if (!opened) return OpenFailure();
  if (!::TerminateProcess(opened.Get(), exit_code)) return LastError(L"TerminateProcess");
  return {};
}

support::Result<std::uint32_t> Win32Processes::Wait(std::uint32_t id, std::uint32_t timeout_ms) {
  // A process we started is waited on through the handle kept since its start.
  HANDLE process = nullptr;
  UniqueHandle opened;
  {
    std::lock_guard lock(mutex_);
    const auto it = started_.find(id);
    if (it != started_.end()) process = it->second.Get();
  }
  if (process == nullptr) {
    opened.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!opened) return OpenFailure();
    process = opened.Get();
  }
  const DWORD wait = ::WaitForSingleObject(process, timeout_ms);
  if (wait == WAIT_TIMEOUT) return support::Fail(support::ErrorCode::kTimeout, L"Wait", WAIT_TIMEOUT);
  if (wait != WAIT_OBJECT_0) return LastError(L"WaitForSingleObject");
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process, &exit_code)) return LastError(L"GetExitCodeProcess");
  return std::uint32_t{exit_code};
}

}  // namespace platform
