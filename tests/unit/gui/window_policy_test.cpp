#include "gui/window_policy.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

using Show = StartupPlan::Show;

TEST(GuiWindowPolicy, StartupByFlags) {
  struct Row {
    const char* name;
    bool startMinimized, startupAsked, maintainAsked, yes, show, tray;
    Show expected;
    bool askStartup, askMaintain;
  };
  const Row rows[] = {
      {"first start asks both", true, false, false, false, false, true, Show::kNormal, true, true},
      {"first start with --yes asks nothing", true, false, false, true, false, true, Show::kNormal,
       false, false},
      {"answered: to the tray", true, true, true, false, false, true, Show::kHidden, false, false},
      {"answered, no tray icon: minimised", true, true, true, false, false, false, Show::kMinimized,
       false, false},
      {"--show opens it", true, true, true, false, true, true, Show::kNormal, false, false},
      {"--yes opens it", true, true, true, true, false, true, Show::kNormal, false, false},
      {"not minimised", false, true, true, false, false, true, Show::kNormal, false, false},
      {"maintain not yet answered", true, true, false, false, false, true, Show::kHidden, false,
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MonitorSettings settings;
    settings.startMinimized = r.startMinimized;
    settings.startupAsked = r.startupAsked;
    settings.maintainAsked = r.maintainAsked;
    const StartupPlan plan = PlanStartup(settings, r.yes, r.show, r.tray);
    EXPECT_EQ(plan.show, r.expected);
    EXPECT_EQ(plan.askStartup, r.askStartup);
    EXPECT_EQ(plan.askMaintain, r.askMaintain);
  }
}

TEST(GuiWindowPolicy, CloseWithAndWithoutTrayIcon) {
  struct Row {
    bool running, toTray, tray;
    CloseAction expected;
  };
  const Row rows[] = {
      {false, true, true, CloseAction::kHideToTray}, {true, true, true, CloseAction::kHideToTray},
      {false, true, false, CloseAction::kMinimize},  {true, true, false, CloseAction::kMinimize},
      {false, false, true, CloseAction::kClose},     {false, false, false, CloseAction::kClose},
      {true, false, true, CloseAction::kAskFirst},   {true, false, false, CloseAction::kAskFirst},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DecideClose(r.running, r.toTray, r.tray), r.expected)
        << r.running << r.toTray << r.tray;
  }
}

}  // namespace
}  // namespace gui
