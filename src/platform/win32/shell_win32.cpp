#include "platform/win32/shell_win32.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <shellapi.h>

#include "platform/win32/unique_handle.h"

namespace platform {

bool Win32Shell::RunElevated(const std::wstring& exe_path, const std::wstring& parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"runas";
  info.lpFile = exe_path.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return false;
  // The elevated copy runs on by itself; we only let go of its handle.
  win32::UniqueHandle process(info.hProcess);
  return true;
}

void Win32Shell::ShowMessage(const std::wstring& caption, const std::wstring& text,
                             MessageIcon icon) {
  UINT style = MB_ICONINFORMATION;
  if (icon == MessageIcon::kWarning) style = MB_ICONWARNING;
  if (icon == MessageIcon::kError) style = MB_ICONERROR;
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

}  // namespace platform
