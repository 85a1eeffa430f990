#include "gui/window_policy.h"

namespace gui {

StartupPlan PlanStartup(const MonitorSettings& settings, bool assumeYes, bool showRequested,
                        bool trayIcon) {
  StartupPlan plan;
  plan.askStartup = !settings.startupAsked && !assumeYes;
  plan.askMaintain = !settings.maintainAsked && !assumeYes;
  // Starting in the tray is the user's answer to the first-start dialog; until it was
  // given, and whenever the window was asked for, it shows.
  const bool inTray =
      settings.startMinimized && settings.startupAsked && !assumeYes && !showRequested;
  if (inTray) plan.show = trayIcon ? StartupPlan::Show::kHidden : StartupPlan::Show::kMinimized;
  return plan;
}

CloseAction DecideClose(bool stepsRunning, bool closeToTray, bool trayIcon) {
  if (closeToTray) return trayIcon ? CloseAction::kHideToTray : CloseAction::kMinimize;
  return stepsRunning ? CloseAction::kAskFirst : CloseAction::kClose;
}

}  // namespace gui
