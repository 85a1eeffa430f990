// The words of the tray: its menu, which names each toggle's current state, and the
// tooltip, which says what needs attention in the room the shell gives it.
#pragma once

#include <string>

namespace gui {

enum TrayCommand : unsigned {
  kTrayOpen = 4100,
  kTrayHealthCheck = 4101,
  kTrayPause = 4102,
  kTraySettings = 4103,
  kTrayExit = 4104,
  kTrayStartWithWindows = 4105,
  kTrayNotifications = 4106,
  kTrayMaintain = 4107,
};

struct TrayState {
  bool paused = false;
  bool launchAtLogin = false;
  bool notify = false;
  bool maintainTiming = false;
};

// The label of a menu entry in `state`; empty for an id the menu does not have.
std::wstring TrayMenuLabel(TrayCommand command, const TrayState& state);

struct TrayHealth {
  bool updatePending = false;
  bool anyCheckRan = false;
  int attention = 0;     // checks that need attention
  std::wstring summary;  // the health summary text
};

// At most kTrayTooltipMax characters (the shell's buffer holds one more for the end).
inline constexpr std::size_t kTrayTooltipMax = 127;
std::wstring TrayTooltip(const TrayHealth& health);

}  // namespace gui
