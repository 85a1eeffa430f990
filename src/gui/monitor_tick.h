// The minute timer of the window, and the balloons it may show: when a health scan or a
// maintenance pass starts, and when a change in what needs attention is worth a balloon.
// Deadlines are milliseconds of the system tick count; the window thread owns them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "health/health_check.h"
#include "health/monitor_settings.h"

namespace gui {

struct MonitorClock {
  std::uint64_t nextScan = 0;
  std::uint64_t nextMaintain = 0;
  // Never at first, so a balloon can show right after boot, when the tick count is small.
  std::optional<std::uint64_t> lastBalloon;
};

struct MonitorTickResult {
  bool startScan = false;
  bool maintainPass = false;  // the scan is a maintenance pass: repair what drifted after it
};

// A setting of 0 minutes counts as 1.
std::uint64_t MinutesMs(int minutes);
std::uint64_t HoursMs(int hours);

// One tick of timer 7. Paused monitoring starts nothing; with Maintain timing on a pass is
// due every MaintainMinutes, otherwise a plain scan every ScanHours.
MonitorTickResult MonitorTick(std::uint64_t now, const MonitorSettings& settings, bool scanRunning,
                              bool maintainPending, MonitorClock& clock);

// The ids of the results a user should hear about: needs attention, error, restart required.
std::vector<std::wstring> AttentionIds(const std::vector<HealthCheck>& results);

// The balloon text for the first result that needs attention ("title: explanation", at
// most 255 characters), or nothing when no balloon is due: notifications off, no tray icon,
// nothing to say, or the last balloon less than NotifyMinutes ago. Records the balloon.
std::optional<std::wstring> BalloonFor(std::uint64_t now, const MonitorSettings& settings,
                                       bool trayIcon, const std::vector<HealthCheck>& results,
                                       MonitorClock& clock);

}  // namespace gui
