// The Settings timers and folders: each step saves its value and moves its own deadline
// only, stays within its range, and an unkeepable folder is refused, not shown as chosen.
#include "gui/screens/settings_screen.h"

#include <gtest/gtest.h>

#include "gui/recording_canvas.h"
#include "unit/app/sim_fixture.h"

namespace {

using gui::screens::MonitorDeadlines;

class SettingsScreenTest : public SimMachineTest {
 protected:
  std::uint32_t Saved(const wchar_t* name) {
    return *machine_.registry.ReadDword({platform::Hive::kCurrentUser, kMonitorKey, name});
  }
};

TEST_F(SettingsScreenTest, TimerStepTable) {
  struct Case {
    const char* name;
    std::size_t field;
    int start;
    int direction;
    bool changed;
    int after;
    MonitorDeadlines deadlines_after;  // from {10, 20, 30} at now = 1000
  };
  const Case kCases[] = {
      {"scan hours up", 0, 6, +1, true, 7, {1000 + 7 * 3600, 20, 30}},
      {"scan hours down at 1", 0, 1, -1, false, 1, {10, 20, 30}},
      {"scan hours up at 168", 0, 168, +1, false, 168, {10, 20, 30}},
      {"maintain down", 1, 5, -1, true, 4, {10, 1000 + 4 * 60, 30}},
      {"update up", 2, 1, +1, true, 2, {10, 20, 1000 + 2 * 60}},
      {"update up at 1440", 2, 1440, +1, false, 1440, {10, 20, 30}},
      {"notification gap has no deadline", 3, 30, +1, true, 31, {10, 20, 30}},
  };
  const wchar_t* kNames[] = {L"ScanHours", L"MaintainMinutes", L"UpdateMinutes", L"NotifyMinutes"};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    MonitorSettings settings;
    settings.*gui::screens::kTimerFields[c.field].value = c.start;
    MonitorDeadlines deadlines{10, 20, 30};
    EXPECT_EQ(gui::screens::StepTimer(settings, deadlines, c.field, c.direction, 1000), c.changed);
    EXPECT_EQ(settings.*gui::screens::kTimerFields[c.field].value, c.after);
    EXPECT_DOUBLE_EQ(deadlines.health_scan, c.deadlines_after.health_scan);
    EXPECT_DOUBLE_EQ(deadlines.maintain, c.deadlines_after.maintain);
    EXPECT_DOUBLE_EQ(deadlines.update, c.deadlines_after.update);
    const auto saved =
        machine.registry.ReadDword({platform::Hive::kCurrentUser, kMonitorKey, kNames[c.field]});
    EXPECT_EQ(saved.ok(), c.changed);
    if (c.changed) EXPECT_EQ(*saved, static_cast<std::uint32_t>(c.after));
  }
}

TEST_F(SettingsScreenTest, ButtonsAtTheEndsAreNotOffered) {
  MonitorSettings settings;
  settings.scanHours = 1;
  settings.updateMinutes = 1440;
  gui::RecordingCanvas canvas;
  gui::InputRouter router;
  router.BeginFrame();
  gui::screens::DrawTimers(canvas, {0, 0, 400, 200}, settings, router);
  // Scan hours' "-" (the first "-") is disabled, so a click there does nothing.
  const auto minus = canvas.FindText("-");
  ASSERT_TRUE(minus.has_value());
  router.PointerDown(minus->rect.x + 4, minus->rect.y + 4, 5.0);
  EXPECT_EQ(router.PointerUp(minus->rect.x + 4, minus->rect.y + 4, 5.0).activated, -1);
  MonitorDeadlines deadlines;
  EXPECT_TRUE(
      gui::screens::TimerControl(gui::screens::kTimerPlusControl + 0, settings, deadlines, 50));
  EXPECT_EQ(settings.scanHours, 2);
  EXPECT_EQ(Saved(L"ScanHours"), 2u);
  EXPECT_FALSE(gui::screens::TimerControl(7, settings, deadlines, 50));
}

TEST_F(SettingsScreenTest, UnkeepableFolderIsRefusedVisibly) {
  MonitorSettings settings;
  settings.driverDir = L"D:\\Drivers";
  const std::wstring too_long = L"D:\\" + std::wstring(198, L'a');  // 201 characters
  EXPECT_FALSE(gui::screens::ChooseFolder(settings, &MonitorSettings::driverDir, too_long).empty());
  EXPECT_EQ(settings.driverDir, L"D:\\Drivers");
  machine_.files.SeedDirectory(L"E:\\Packages");
  machine_.files.SetFolderTrust(L"E:\\Packages", {false, true, false});
  EXPECT_EQ(gui::screens::ChooseFolder(settings, &MonitorSettings::driverDir, L"E:\\Packages"),
            L"");
  EXPECT_EQ(settings.driverDir, L"E:\\Packages");
  EXPECT_EQ(
      *machine_.registry.ReadString({platform::Hive::kCurrentUser, kMonitorKey, L"DriverDir"}),
      L"E:\\Packages");
  // Kept, as the user chose, but not shown as if the steps used it.
  machine_.files.SeedDirectory(L"E:\\Shared");
  machine_.files.SetFolderTrust(L"E:\\Shared", {false, true, true});
  EXPECT_EQ(gui::screens::ChooseFolder(settings, &MonitorSettings::driverDir, L"E:\\Shared"),
            L"Kept, but E:\\Shared lets other users change it: the usual location is used until "
            L"only administrators can change it.");
  EXPECT_EQ(settings.driverDir, L"E:\\Shared");
}

// The first switch carries two values and turns close-to-tray on with them; maintain
// switched on counts as the answer to its question. Each click is saved at once.
TEST_F(SettingsScreenTest, SwitchTable) {
  struct Case {
    const char* name;
    int field;
    // launch, minimized, close, maintain, asked: before and after
    std::array<bool, 5> before, after;
  };
  const Case kCases[] = {
      {"start in tray on",
       0,
       {false, false, false, false, false},
       {true, true, true, false, false}},
      {"half on shows off, so a click turns both on",
       0,
       {true, false, false, false, false},
       {true, true, true, false, false}},
      {"start in tray off keeps close-to-tray",
       0,
       {true, true, true, false, false},
       {false, false, true, false, false}},
      {"close to tray off", 1, {true, true, true, false, false}, {true, true, false, false, false}},
      {"maintain on answers its question",
       4,
       {false, false, false, false, false},
       {false, false, false, true, true}},
      {"maintain off leaves the answer",
       4,
       {false, false, false, true, false},
       {false, false, false, false, false}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    MonitorSettings settings;
    bool* values[] = {&settings.launchAtLogin, &settings.startMinimized, &settings.closeToTray,
                      &settings.maintainTiming, &settings.maintainAsked};
    for (std::size_t i = 0; i < 5; ++i) *values[i] = c.before[i];
    EXPECT_TRUE(gui::screens::SwitchControl(gui::screens::kSwitchControl + c.field, settings));
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(*values[i], c.after[i]) << i;
    EXPECT_EQ(Saved(L"LaunchAtLogin"), c.after[0] ? 1u : 0u);
    EXPECT_EQ(Saved(L"CloseToTray"), c.after[2] ? 1u : 0u);
  }
  MonitorSettings settings;
  EXPECT_FALSE(gui::screens::SwitchControl(gui::screens::kSwitchControl + 5, settings));
}

}  // namespace
