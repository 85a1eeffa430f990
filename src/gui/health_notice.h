// What the tray says about a finished health scan while nobody looks at the window: the
// balloon text for the first check that needs attention, and whether a balloon may show
// now. Taken on the window thread, which owns the settings.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "health/health_check.h"

namespace gui {

// The shell shows at most this many characters of a balloon's text.
inline constexpr std::size_t kBalloonTextMax = 255;

// "<check title>: <live value>" of the first check that needs attention, is in error or
// waits for a restart, cut to kBalloonTextMax; empty when none does.
std::wstring AttentionNotice(std::span<const HealthCheck> checks);

// The ids of the checks that need attention, in order: a balloon is considered only when
// this list changes between scans.
std::wstring AttentionKey(std::span<const HealthCheck> checks);

struct BalloonGate {
  bool notify = false;    // the user's Notifications setting
  bool trayIcon = false;  // the icon is in the notification area
  int notifyMinutes = 30;
  // Tick count (ms) of the last balloon; none yet lets the first one show at once, even
  // right after boot when the tick count is still below the interval.
  std::optional<std::uint64_t> lastBalloonMs;
};

// Whether a balloon may show at `nowMs`: notifications on, an icon to show it from, and at
// least max(1, notifyMinutes) minutes since the last one.
bool BalloonDue(const BalloonGate& gate, std::uint64_t nowMs);

}  // namespace gui
