#include "gui/health_notice.h"

#include <algorithm>

namespace gui {

namespace {

bool NeedsAttention(HealthStatus status) {
  return status == HealthStatus::NeedsAttention || status == HealthStatus::Error ||
         status == HealthStatus::RestartRequired;
}

}  // namespace

std::wstring AttentionNotice(std::span<const HealthCheck> checks) {
  const auto first = std::find_if(checks.begin(), checks.end(),
                                  [](const HealthCheck& c) { return NeedsAttention(c.status); });
  if (first == checks.end()) return {};
  std::wstring text = first->title + L": " + first->live;
  if (text.size() > kBalloonTextMax) text.resize(kBalloonTextMax);
  return text;
}

std::wstring AttentionKey(std::span<const HealthCheck> checks) {
  std::wstring key;
  for (const HealthCheck& check : checks) {
    if (NeedsAttention(check.status)) key += check.id + L'\n';
  }
  return key;
}

bool BalloonDue(const BalloonGate& gate, std::uint64_t nowMs) {
  if (!gate.notify || !gate.trayIcon) return false;
  if (!gate.lastBalloonMs) return true;
  const std::uint64_t interval =
      static_cast<std::uint64_t>(std::max(1, gate.notifyMinutes)) * 60000;
  return nowMs >= *gate.lastBalloonMs && nowMs - *gate.lastBalloonMs >= interval;
}

}  // namespace gui
