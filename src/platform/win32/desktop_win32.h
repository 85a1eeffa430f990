// Win32Desktop: other programs' windows through user32 messages, and UI Automation for
// the one text their controls only expose that way.
#pragma once

#include "platform/desktop.h"

namespace platform {

class Win32Desktop final : public Desktop {
 public:
  std::vector<TopWindow> TopLevelWindows() override;
  std::vector<ChildWindow> ChildWindows(WindowHandle window) override;
  WindowHandle DialogItem(WindowHandle window, std::int32_t control_id) override;
  support::Result<std::wstring> Text(WindowHandle window) override;
  bool IsEnabled(WindowHandle window) override;
  support::Result<std::vector<std::wstring>> ComboItems(WindowHandle combo) override;
  std::int32_t ComboSelection(WindowHandle combo) override;
  support::Status SelectComboItem(WindowHandle combo, std::int32_t index) override;
  WindowHandle CommandTarget(WindowHandle control) override;
  support::Status PostCommand(WindowHandle target, std::int32_t control_id,
                              std::uint32_t notify_code, WindowHandle control) override;
  support::Status PostClose(WindowHandle window) override;
  support::Status PostRegisteredMessage(WindowHandle window, const std::wstring& name) override;
  support::Result<std::wstring> AutomationName(WindowHandle window,
                                               const std::wstring& automation_id) override;
};

}  // namespace platform
