#include "platform/win32/desktop_win32.h"

#include <windows.h>

#include "platform/win32/ui_automation.h"
#include "platform/win32/win32_error.h"

namespace platform {
using support::ErrorCode;
using win32::LastError;

namespace {

// A hung program must not hang us: every sent message gives up after this long.
constexpr UINT kSendTimeoutMs = 2000;
constexpr LRESULT kMaxComboItems = 256;
constexpr LRESULT kMaxItemChars = 4096;

HWND ToHwnd(WindowHandle handle) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
}
WindowHandle FromHwnd(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

// SendMessageTimeoutW; false when the window did not answer in time or is gone.
bool Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& answer) {
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kSendTimeoutMs, &result)) {
    return false;
  }
  answer = static_cast<LRESULT>(result);
  return true;
}

support::PortError SendFailure(const wchar_t* what) {
  const DWORD code = ::GetLastError();
  return support::Fail(code == ERROR_TIMEOUT ? ErrorCode::kTimeout : ErrorCode::kFailed, what,
                       code);
}

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM list) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  wchar_t title[512] = {};
  // Another process's title comes from the window manager's copy: no message is sent.
  ::GetWindowTextW(hwnd, title, 512);
  reinterpret_cast<std::vector<Desktop::TopWindow>*>(list)->push_back(
      {FromHwnd(hwnd), pid, ::IsWindowVisible(hwnd) != FALSE, title});
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM list) {
  wchar_t name[256] = {};
  ::GetClassNameW(hwnd, name, 256);
  reinterpret_cast<std::vector<Desktop::ChildWindow>*>(list)->push_back(
      {FromHwnd(hwnd), name, ::GetDlgCtrlID(hwnd)});
  return TRUE;
}

}  // namespace

std::vector<Desktop::TopWindow> Win32Desktop::TopLevelWindows() {
  std::vector<TopWindow> list;
  ::EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::vector<Desktop::ChildWindow> Win32Desktop::ChildWindows(WindowHandle window) {
  std::vector<ChildWindow> list;
  ::EnumChildWindows(ToHwnd(window), CollectChild, reinterpret_cast<LPARAM>(&list));
  return list;
}

WindowHandle Win32Desktop::DialogItem(WindowHandle window, std::int32_t control_id) {
  return FromHwnd(::GetDlgItem(ToHwnd(window), control_id));
}

support::Result<std::wstring> Win32Desktop::Text(WindowHandle window) {
  LRESULT length = 0;
  if (!Send(ToHwnd(window), WM_GETTEXTLENGTH, 0, 0, length))
    return SendFailure(L"WM_GETTEXTLENGTH");
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  LRESULT copied = 0;
  if (!Send(ToHwnd(window), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
            copied)) {
    return SendFailure(L"WM_GETTEXT");
  }
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

bool Win32Desktop::IsEnabled(WindowHandle window) {
  return ::IsWindowEnabled(ToHwnd(window)) != FALSE;
}

support::Result<std::vector<std::wstring>> Win32Desktop::ComboItems(WindowHandle combo) {
  const HWND hwnd = ToHwnd(combo);
  LRESULT count = 0;
  if (!Send(hwnd, CB_GETCOUNT, 0, 0, count)) return SendFailure(L"CB_GETCOUNT");
  if (count == CB_ERR) return support::Fail(ErrorCode::kFailed, L"CB_GETCOUNT");
  std::vector<std::wstring> items;
  for (LRESULT i = 0; i < count && i < kMaxComboItems; ++i) {
    LRESULT length = 0;
    if (!Send(hwnd, CB_GETLBTEXTLEN, i, 0, length)) return SendFailure(L"CB_GETLBTEXTLEN");
    std::wstring item;
    if (length > 0 && length <= kMaxItemChars) {
      item.assign(static_cast<std::size_t>(length) + 1, L'\0');
      LRESULT copied = 0;
      if (!Send(hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()), copied)) {
        return SendFailure(L"CB_GETLBTEXT");
      }
      item.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    }
    items.push_back(item);
  }
  return items;
}

std::int32_t Win32Desktop::ComboSelection(WindowHandle combo) {
  LRESULT selection = CB_ERR;
  if (!Send(ToHwnd(combo), CB_GETCURSEL, 0, 0, selection)) return -1;
  return selection == CB_ERR ? -1 : static_cast<std::int32_t>(selection);
}

support::Status Win32Desktop::SelectComboItem(WindowHandle combo, std::int32_t index) {
  LRESULT selected = CB_ERR;
  if (!Send(ToHwnd(combo), CB_SETCURSEL, static_cast<WPARAM>(index), 0, selected)) {
    return SendFailure(L"CB_SETCURSEL");
  }
  if (selected == CB_ERR) return support::Fail(ErrorCode::kInvalidArgument, L"CB_SETCURSEL", 87);
  return {};
}

WindowHandle Win32Desktop::CommandTarget(WindowHandle control) {
  const HWND parent = ::GetParent(ToHwnd(control));
  return FromHwnd(parent != nullptr ? parent : ::GetAncestor(ToHwnd(control), GA_ROOT));
}

support::Status Win32Desktop::PostCommand(WindowHandle target, std::int32_t control_id,
                                          std::uint32_t notify_code, WindowHandle control) {
  const WPARAM wparam = MAKEWPARAM(static_cast<WORD>(control_id), static_cast<WORD>(notify_code));
  if (!::PostMessageW(ToHwnd(target), WM_COMMAND, wparam,
                      reinterpret_cast<LPARAM>(ToHwnd(control)))) {
    return LastError(L"PostMessageW WM_COMMAND");
  }
  return {};
}

support::Status Win32Desktop::PostClose(WindowHandle window) {
  if (!::PostMessageW(ToHwnd(window), WM_CLOSE, 0, 0)) return LastError(L"PostMessageW WM_CLOSE");
  return {};
}

support::Status Win32Desktop::PostRegisteredMessage(WindowHandle window, const std::wstring& name) {
  const UINT message = ::RegisterWindowMessageW(name.c_str());
  if (message == 0) return LastError(L"RegisterWindowMessageW " + name);
  if (!::PostMessageW(ToHwnd(window), message, 0, 0)) return LastError(L"PostMessageW " + name);
  return {};
}

support::Result<std::wstring> Win32Desktop::AutomationName(WindowHandle window,
                                                           const std::wstring& automation_id) {
  return win32::AutomationNameOf(ToHwnd(window), automation_id);
}

}  // namespace platform
