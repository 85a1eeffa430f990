#include "gui/win32/restart_computer.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace gui::win32 {
namespace {

std::wstring ErrorText(const wchar_t* what, DWORD code) {
  return std::wstring(what) + L" failed (error " + std::to_wstring(code) + L").";
}

// Planned, application, maintenance: the reason Windows records for this restart.
constexpr DWORD kRestartReason = 0x80040001;

}  // namespace

std::wstring RestartComputer() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return ErrorText(L"Opening the process token", ::GetLastError());
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const bool found = ::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege",
                                             &privileges.Privileges[0].Luid) != FALSE;
  // AdjustTokenPrivileges succeeds without enabling anything when the token lacks the
  // privilege; only ERROR_SUCCESS afterwards says it is on.
  const bool enabled = found &&
                       ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                       ::GetLastError() == ERROR_SUCCESS;
  const DWORD privilegeError = ::GetLastError();
  ::CloseHandle(token);
  if (!enabled) return ErrorText(L"Enabling the shutdown privilege", privilegeError);
  wchar_t message[] =
      L"Veltrane: restarting. In BIOS, lock the CPU multiplier, disable deep C-states, enable "
      L"XMP or DOCP, and turn on Above 4G if you want Resizable BAR.";
  if (!::InitiateSystemShutdownExW(nullptr, message, 0, TRUE, TRUE, kRestartReason)) {
    return ErrorText(L"The restart", ::GetLastError());
  }
  return L"";
}

std::wstring OpenWithShell(const std::wstring& path) {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // ShellExecute reports success as a value above 32.
  if (result > 32) return L"";
  return L"The log could not be opened (error " + std::to_wstring(result) + L").";
}

}  // namespace gui::win32
