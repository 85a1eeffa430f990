#include "gui/chart_geometry.h"

#include <cmath>

namespace gui {

float LiveAxisY(double overshootMs) {
  return static_cast<float>((ClampToRange(overshootMs, kLiveBottomMs, kLiveTopMs) - kLiveBottomMs) /
                            (kLiveTopMs - kLiveBottomMs));
}

LiveTrace BuildLiveTrace(const ChartSnapshot& snapshot) {
  LiveTrace trace;
  const std::uint64_t shown = std::min<std::uint64_t>(snapshot.totals.sampleCount,
                                                      static_cast<std::uint64_t>(kLivePositions));
  const std::uint64_t first = snapshot.totals.sampleCount - shown;
  for (std::uint64_t k = first; k < snapshot.totals.sampleCount; ++k) {
    const ChartSample& s = snapshot.ring[k % kRingSize];
    const int at = static_cast<int>(k - first);
    trace.steps[trace.count++] = {
        static_cast<float>(at) / kLivePositions, static_cast<float>(at + 1) / kLivePositions,
        LiveAxisY(s.overshootMs), s.afterIdle, IsLateSample(s.requested, s.overshootMs)};
  }
  return trace;
}

float BarFraction(double score, double largestScore) {
  if (!(largestScore > 0)) return 0;
  return static_cast<float>(ClampToRange(score / (1.1 * largestScore), 0.0, 1.0));
}

double SweepTargetMaximum(double largestShown) {
  return std::max(0.3, 1.12 * ClampToRange(largestShown, 0.0, 1e6));
}

double Ease(double shown, double target, double dt, double rate) {
  if (std::isnan(target)) return shown;
  const double keep = std::exp(-rate * ClampToRange(dt, 0.0, 10.0));
  return target + (shown - target) * keep;
}

}  // namespace gui
