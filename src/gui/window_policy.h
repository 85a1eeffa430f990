// The window's own start and close decisions, apart from Win32 so each is one table: how
// the window first shows, which first-start questions it asks, and what Escape or Close do.
// A program hidden with no tray icon could not be reached again, so without an icon both
// minimise instead of hiding.
#pragma once

#include "health/monitor_settings.h"

namespace gui {

struct StartupPlan {
  enum class Show { kNormal, kHidden, kMinimized } show = Show::kNormal;
  bool askStartup = false;   // the first-start dialog: start with Windows, in the tray
  bool askMaintain = false;  // the maintain question
};

// `assumeYes` is --yes (the questions take their defaults), `showRequested` is --show (a
// relaunch after an update, or the user's second start), `trayIcon` whether the icon was
// added.
StartupPlan PlanStartup(const MonitorSettings& settings, bool assumeYes, bool showRequested,
                        bool trayIcon);

enum class CloseAction { kClose, kHideToTray, kMinimize, kAskFirst };
// With close-to-tray on the window goes to the tray and work carries on; otherwise running
// steps are never stopped without the user saying so.
CloseAction DecideClose(bool stepsRunning, bool closeToTray, bool trayIcon);

}  // namespace gui
