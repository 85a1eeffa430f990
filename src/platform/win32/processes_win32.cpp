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

// How long to wait for a killed tree to be gone before reporting the time-out anyway.
constexpr DWORD kTerminateWaitMs = 5000;
constexpr DWORD kTreePollMs = 20;

// The program of a command line that starts with a quoted path; empty otherwise. Given
// to CreateProcessW, it stops the search through "C:\Program.exe" and the like.
std::wstring ApplicationOf(const std::wstring& command_line) {
  if (command_line.empty() || command_line[0] != L'"') return {};
  const std::size_t end = command_line.find(L'"', 1);
  return end == std::wstring::npos ? std::wstring() : command_line.substr(1, end - 1);
}

// Kills the whole tree and waits until none of it is left.
void KillTree(const UniqueHandle& job, const UniqueHandle& process) {
  if (job) {
    ::TerminateJobObject(job.Get(), 1);
    for (DWORD waited = 0; waited < kTerminateWaitMs; waited += kTreePollMs) {
      JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
      if (!::QueryInformationJobObject(job.Get(), JobObjectBasicAccountingInformation, &info,
                                       sizeof info, nullptr) ||
          info.ActiveProcesses == 0) {
        break;
      }
      ::Sleep(kTreePollMs);
    }
  } else {
    ::TerminateProcess(process.Get(), 1);
  }
  ::WaitForSingleObject(process.Get(), kTerminateWaitMs);
}

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
  // Step 1: start it hidden and suspended, without inheriting our handles, so it is in
  // its job before it can start children. CreateProcessW may write into the command
  // line, so it gets its own copy.
  std::wstring line = command_line;
  const std::wstring application = ApplicationOf(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr,
                        nullptr, FALSE, CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &info)) {
    return LastError(L"CreateProcessW " + command_line);
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);
  // The job only gathers the tree for a kill at the time-out: a tool that ends in time may
  // leave what it started running.
  UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  if (job && !::AssignProcessToJobObject(job.Get(), process.Get())) job = UniqueHandle();
  ::ResumeThread(thread.Get());
  // Step 2: wait; past the time-out the tool and everything it started are killed, and
  // are gone when we return.
  const DWORD wait = ::WaitForSingleObject(process.Get(), timeout_ms);
  if (wait == WAIT_TIMEOUT) {
    KillTree(job, process);
    return support::Fail(support::ErrorCode::kTimeout, command_line, WAIT_TIMEOUT);
  }
  if (wait != WAIT_OBJECT_0) return LastError(L"WaitForSingleObject " + command_line);
  // The tool's own verdict: most system tools report failure only through it.
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
  if (wait == WAIT_TIMEOUT)
    return support::Fail(support::ErrorCode::kTimeout, L"Wait", WAIT_TIMEOUT);
  if (wait != WAIT_OBJECT_0) return LastError(L"WaitForSingleObject");
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process, &exit_code)) return LastError(L"GetExitCodeProcess");
  return std::uint32_t{exit_code};
}

}  // namespace platform
