// The Processes calls that read what a tool prints and what is running.
#include <windows.h>
// After <windows.h>, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/processes_win32.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;
using win32::UniqueHandle;

namespace {

constexpr DWORD kPollMs = 15;
constexpr DWORD kTerminateWaitMs = 5000;

// Moves whatever the pipe holds now into `output` (up to `max_bytes`), without blocking.
void DrainPipe(HANDLE pipe, std::string& output, std::size_t max_bytes) {
  char chunk[4096];
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
    DWORD read = 0;
    const DWORD want = available < sizeof(chunk) ? available : DWORD{sizeof(chunk)};
    if (!::ReadFile(pipe, chunk, want, &read, nullptr) || read == 0) return;
    if (output.size() < max_bytes)
      output.append(chunk, std::min<std::size_t>(read, max_bytes - output.size()));
  }
}

}  // namespace

support::Result<Processes::CapturedRun> Win32Processes::RunCaptured(
    const std::wstring& command_line, std::uint32_t timeout_ms, std::size_t max_bytes) {
  // Step 1: one pipe for both output handles; only its write end is inheritable, and our
  // copy of that end is closed once the tool has it, so the tool owns the only writer.
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  UniqueHandle read_end;
  UniqueHandle write_end;
  if (!::CreatePipe(read_end.Put(), write_end.Put(), &inherit, 0)) return LastError(L"CreatePipe");
  ::SetHandleInformation(read_end.Get(), HANDLE_FLAG_INHERIT, 0);
  // A tool that asks for input gets end-of-file at once instead of waiting for us.
  UniqueHandle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr));
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input.Get();
  startup.hStdOutput = write_end.Get();
  startup.hStdError = write_end.Get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
    return LastError(L"CreateProcessW " + command_line);
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);
  write_end.Reset();
  // Step 2: read while it runs; a grandchild holding the pipe cannot keep us past the exit.
  CapturedRun run;
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  for (;;) {
    DrainPipe(read_end.Get(), run.output, max_bytes);
    const DWORD wait = ::WaitForSingleObject(process.Get(), kPollMs);
    if (wait == WAIT_OBJECT_0) break;
    if (wait != WAIT_TIMEOUT) return LastError(L"WaitForSingleObject " + command_line);
    if (timeout_ms != INFINITE && ::GetTickCount64() >= deadline) {
      ::TerminateProcess(process.Get(), 1);
      ::WaitForSingleObject(process.Get(), kTerminateWaitMs);
      return support::Fail(support::ErrorCode::kTimeout, command_line, WAIT_TIMEOUT);
    }
  }
  DrainPipe(read_end.Get(), run.output, max_bytes);
  // The tool's own verdict: most system tools report failure only through it.
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.Get(), &exit_code)) {
    return LastError(L"GetExitCodeProcess " + command_line);
  }
  run.exit_code = exit_code;
  return run;
}

support::Result<std::vector<std::wstring>> Win32Processes::ImageNames() {
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return LastError(L"CreateToolhelp32Snapshot");
  std::vector<std::wstring> names;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    names.emplace_back(entry.szExeFile);
  }
  return names;
}

}  // namespace platform
