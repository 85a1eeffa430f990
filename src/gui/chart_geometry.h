// Panel geometry that does not depend on how the panels are drawn: where the Live trace's
// steps sit, how long a Verification bar is, and how the Sweep panel's vertical range eases.
// Values arrive from the measurement, so every mapping clamps, and no length divides by a
// maximum that is zero, negative or NaN.
#pragma once

#include <array>
#include <cstdint>

#include "gui/chart_data.h"

namespace gui {

inline constexpr int kLivePositions = 360;
inline constexpr double kLiveBottomMs = -0.05;

// One held step of the Live trace: x from 0 (oldest shown) to 1 (newest), y from 0 (bottom of
// the axis, -0.05 ms) to 1 (top, 1.25 ms).
struct LiveStep {
  float x0 = 0, x1 = 0, y = 0;
  bool afterIdle = false, late = false;
};
struct LiveTrace {
  int count = 0;
  std::array<LiveStep, kLivePositions> steps{};
};
// The newest samples of the ring, oldest first, each held until the next one.
LiveTrace BuildLiveTrace(const ChartSnapshot& snapshot);
// Height 0..1 of an overshoot on the Live axis.
float LiveAxisY(double overshootMs);

// Length 0..1 of a Verification bar: the score over 1.1 x the largest score; 0 when the
// largest is not a positive number.
float BarFraction(double score, double largestScore);

// The Sweep panel's displayed maximum: 1.12 x the largest displayed value, at least 0.3.
double SweepTargetMaximum(double largestShown);
// Moves `shown` toward `target` after `dt` seconds at `rate` per second (weight exp(-rate dt)
// kept of the old value); a NaN target leaves it where it was.
double Ease(double shown, double target, double dt, double rate);

}  // namespace gui
