// Desktop port: other programs' windows, their controls, and the messages that drive
// them. Handles are opaque numbers (an HWND on Windows); 0 is no window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/result.h"

namespace platform {

using WindowHandle = std::uint64_t;

class Desktop {
 public:
  virtual ~Desktop() = default;

  struct TopWindow {
    WindowHandle handle = 0;
    std::uint32_t process_id = 0;
    bool visible = false;
    std::wstring title;
  };
  struct ChildWindow {
    WindowHandle handle = 0;
    std::wstring class_name;
    std::int32_t control_id = 0;
  };

  // EnumWindows: every top-level window with its owner process and title.
  virtual std::vector<TopWindow> TopLevelWindows() = 0;
  // EnumChildWindows: every descendant of `window`, in Z order.
  virtual std::vector<ChildWindow> ChildWindows(WindowHandle window) = 0;
  // GetDlgItem; 0 when there is no such control.
  virtual WindowHandle DialogItem(WindowHandle window, std::int32_t control_id) = 0;
  // WM_GETTEXT through SendMessageTimeout, so a hung window cannot block the caller.
  virtual support::Result<std::wstring> Text(WindowHandle window) = 0;
  virtual bool IsEnabled(WindowHandle window) = 0;
  // CB_GETCOUNT and CB_GETLBTEXT of a combo box: every item's text.
  virtual support::Result<std::vector<std::wstring>> ComboItems(WindowHandle combo) = 0;
  // CB_GETCURSEL; -1 when nothing is selected or the call failed.
  virtual std::int32_t ComboSelection(WindowHandle combo) = 0;
  // CB_SETCURSEL, which does not notify the owner by itself.
  virtual support::Status SelectComboItem(WindowHandle combo, std::int32_t index) = 0;
  // The parent of a child window, or its root ancestor when the parent is unknown.
  virtual WindowHandle CommandTarget(WindowHandle control) = 0;
  // Posts WM_COMMAND(MAKEWPARAM(control_id, notify_code), control) to `target`.
  virtual support::Status PostCommand(WindowHandle target, std::int32_t control_id,
                                      std::uint32_t notify_code, WindowHandle control) = 0;
  // Posts WM_CLOSE.
  virtual support::Status PostClose(WindowHandle window) = 0;
  // RegisterWindowMessageW(name), then PostMessageW with wParam and lParam 0.
  virtual support::Status PostRegisteredMessage(WindowHandle window, const std::wstring& name) = 0;
  // The current name of the first descendant whose UI Automation ID is `automation_id`
  // (IUIAutomation: element from the handle, property condition, FindFirst). kUnsupported
  // when UI Automation cannot be created (Wine); kNotFound without such an element.
  virtual support::Result<std::wstring> AutomationName(WindowHandle window,
                                                       const std::wstring& automation_id) = 0;
};

}  // namespace platform
