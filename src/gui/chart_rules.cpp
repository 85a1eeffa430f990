#include "gui/chart_rules.h"

#include <algorithm>
#include <cmath>

namespace gui {

double ClampToRange(double value, double lo, double hi) {
  if (!(value >= lo)) return lo;  // also catches NaN
  return value > hi ? hi : value;
}

int ClampToIndex(double value, int maxIndex) {
  return static_cast<int>(ClampToRange(value, 0.0, static_cast<double>(maxIndex)));
}

double PeriodMs(std::uint32_t requested) { return requested / 10000.0; }

double LateThresholdMs(std::uint32_t requested) {
  // Half a period of jitter is tolerated; beyond 0.5 ms a period also needs room for the
  // wake to land one period late before it counts as having skipped a tick.
  const double r = PeriodMs(requested);
  return 0.5 * r + std::max(0.0, 2.0 * r - 1.0);
}

bool IsLateSample(std::uint32_t requested, double overshootMs) {
  return overshootMs > LateThresholdMs(requested);
}

double LatencyScale(double overshootMs) {
  if (std::isnan(overshootMs)) return 0.0;
  if (overshootMs <= 2.0) return std::max(0.0, (overshootMs + 0.05) / 2.05 * 0.8);
  return std::min(1.0, 0.8 + 0.2 * std::min((overshootMs - 2.0) / 18.0, 1.0));
}

int HistogramBin(double overshootMs) {
  return ClampToIndex((overshootMs - kHistogramLowMs) / kHistogramSpanMs * kHistogramBins,
                      kHistogramBins - 1);
}

int LatticeRow(double overshootMs) {
  return ClampToIndex(LatencyScale(overshootMs) * (kLatticeSize - 1) + 0.5, kLatticeSize - 1);
}

int LatticeColumn(double lateFraction) {
  return ClampToIndex(ClampToRange(lateFraction, 0.0, 1.0) * (kLatticeSize - 1) + 0.5,
                      kLatticeSize - 1);
}

TickLines LiveTickLines(std::uint32_t requested) {
  TickLines lines;
  if (requested == 0) return lines;
  const double r = PeriodMs(requested);
  const double first = std::max(0.0, 2.0 * r - 1.0);
  for (int i = 0; i < kMaxTickLines; ++i) {
    const double at = first + i * r;
    if (at > kLiveTopMs) break;
    lines.overshootMs[lines.count++] = at;
  }
  return lines;
}

const wchar_t* TickLineLabel(int index) {
  static constexpr const wchar_t* kLabels[] = {L"2nd tick", L"3rd tick", L"4th tick"};
  return index >= 0 && index < 3 ? kLabels[index] : L"";
}

}  // namespace gui
