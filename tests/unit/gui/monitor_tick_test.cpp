#include "gui/monitor_tick.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

MonitorSettings Settings(bool paused, bool maintain, int maintainMinutes = 1) {
  MonitorSettings s;
  s.paused = paused;
  s.maintainTiming = maintain;
  s.maintainMinutes = maintainMinutes;
  return s;
}

TEST(GuiMonitorTick, StartsScansAndMaintenancePassesWhenDue) {
  struct Row {
    const char* name;
    MonitorSettings settings;
    bool scanRunning, maintainPending;
    std::uint64_t now, nextScan, nextMaintain;
    MonitorTickResult expected;
    std::uint64_t expectedNextMaintain;
  };
  const Row rows[] = {
      {"paused starts nothing", Settings(true, true), false, false, 900000, 0, 0, {}, 0},
      {"scan due", Settings(false, false), false, false, 900000, 900000, 0, {true, false}, 0},
      {"scan not due", Settings(false, false), false, false, 899999, 900000, 0, {}, 0},
      {"scan already running", Settings(false, false), true, false, 900000, 0, 0, {}, 0},
      {"maintain due",
       Settings(false, true, 5),
       false,
       false,
       900000,
       0,
       900000,
       {true, true},
       1200000},
      {"maintain of 0 minutes counts as 1",
       Settings(false, true, 0),
       false,
       false,
       900000,
       0,
       0,
       {true, true},
       960000},
      {"a pass is pending", Settings(false, true), false, true, 900000, 0, 0, {}, 0},
      {"maintain ignores the scan deadline",
       Settings(false, true),
       false,
       false,
       900000,
       0,
       900001,
       {},
       900001},
  };
  for (const Row& row : rows) {
    MonitorClock clock;
    clock.nextScan = row.nextScan;
    clock.nextMaintain = row.nextMaintain;
    const MonitorTickResult got =
        MonitorTick(row.now, row.settings, row.scanRunning, row.maintainPending, clock);
    EXPECT_EQ(got.startScan, row.expected.startScan) << row.name;
    EXPECT_EQ(got.maintainPass, row.expected.maintainPass) << row.name;
    EXPECT_EQ(clock.nextMaintain, row.expectedNextMaintain) << row.name;
  }
}

HealthCheck Check(const wchar_t* id, HealthStatus status, std::wstring explanation = L"off") {
  HealthCheck c;
  c.id = id;
  c.title = id;
  c.status = status;
  c.explanation = std::move(explanation);
  return c;
}

TEST(GuiMonitorTick, BalloonsAreGatedByNotifyTheTrayAndTheInterval) {
  const std::vector<HealthCheck> drifted = {Check(L"timer", HealthStatus::Passing),
                                            Check(L"ppm", HealthStatus::Informational),
                                            Check(L"gpu", HealthStatus::RestartRequired, L"reboot"),
                                            Check(L"memory", HealthStatus::NeedsAttention)};
  const std::vector<HealthCheck> fine = {Check(L"timer", HealthStatus::Passing),
                                         Check(L"disk", HealthStatus::Unsupported)};
  MonitorSettings on;
  on.notify = true;
  on.notifyMinutes = 30;
  MonitorSettings off = on;
  off.notify = false;

  MonitorClock clock;
  // Right after boot: the tick count is small and no balloon was ever shown.
  EXPECT_EQ(BalloonFor(5000, on, true, drifted, clock), L"gpu: reboot");
  EXPECT_EQ(clock.lastBalloon, 5000u);
  EXPECT_EQ(BalloonFor(5000 + 1799999, on, true, drifted, clock), std::nullopt);
  EXPECT_EQ(BalloonFor(5000 + 1800000, on, true, drifted, clock), L"gpu: reboot");

  MonitorClock fresh;
  EXPECT_EQ(BalloonFor(5000, off, true, drifted, fresh), std::nullopt);
  EXPECT_EQ(BalloonFor(5000, on, false, drifted, fresh), std::nullopt);
  EXPECT_EQ(BalloonFor(5000, on, true, fine, fresh), std::nullopt);
  EXPECT_FALSE(fresh.lastBalloon.has_value());

  const std::vector<HealthCheck> wordy = {
      Check(L"x", HealthStatus::Error, std::wstring(400, L'e'))};
  EXPECT_EQ(BalloonFor(5000, on, true, wordy, fresh)->size(), 255u);

  EXPECT_EQ(AttentionIds(drifted), (std::vector<std::wstring>{L"gpu", L"memory"}));
}

}  // namespace
}  // namespace gui
