#include "gui/monitor_tick.h"

#include <algorithm>

#include "health/health_summary.h"

namespace gui {

namespace {

constexpr std::size_t kBalloonMax = 255;

}  // namespace

std::uint64_t MinutesMs(int minutes) {
  return static_cast<std::uint64_t>(std::max(minutes, 1)) * 60000;
}

std::uint64_t HoursMs(int hours) {
  return static_cast<std::uint64_t>(std::max(hours, 1)) * 3600000;
}

MonitorTickResult MonitorTick(std::uint64_t now, const MonitorSettings& settings, bool scanRunning,
                              bool maintainPending, MonitorClock& clock) {
  if (settings.paused) return {};
  if (settings.maintainTiming) {
    if (scanRunning || maintainPending || now < clock.nextMaintain) return {};
    clock.nextMaintain = now + MinutesMs(settings.maintainMinutes);
    return {true, true};
  }
  if (scanRunning || now < clock.nextScan) return {};
  return {true, false};
}

std::vector<std::wstring> AttentionIds(const std::vector<HealthCheck>& results) {
  std::vector<std::wstring> ids;
  for (const HealthCheck& check : results) {
    if (NeedsAttention(check.status)) ids.push_back(check.id);
  }
  return ids;
}

std::optional<std::wstring> BalloonFor(std::uint64_t now, const MonitorSettings& settings,
                                       bool trayIcon, const std::vector<HealthCheck>& results,
                                       MonitorClock& clock) {
  if (!settings.notify || !trayIcon) return std::nullopt;
  const auto first = std::find_if(results.begin(), results.end(),
                                  [](const HealthCheck& c) { return NeedsAttention(c.status); });
  if (first == results.end()) return std::nullopt;
  if (clock.lastBalloon && now - *clock.lastBalloon < MinutesMs(settings.notifyMinutes))
    return std::nullopt;
  clock.lastBalloon = now;
  std::wstring text = first->title + L": " + first->explanation;
  if (text.size() > kBalloonMax) text.resize(kBalloonMax);
  return text;
}

}  // namespace gui
