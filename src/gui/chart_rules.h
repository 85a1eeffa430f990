// The numeric rules the measurement charts share: when a wake missed a tick, where an
// overshoot lands on the histogram and on the lattice, and where the Live panel draws its
// tick lines. Every value comes from the measurement thread or a run file, so each mapping
// clamps in floating point before it converts to an integer: NaN and huge values land on an
// edge instead of reaching undefined behaviour.
#pragma once

#include <array>
#include <cstdint>

namespace gui {

inline constexpr int kHistogramBins = 100;
inline constexpr double kHistogramLowMs = -0.05;
inline constexpr double kHistogramSpanMs = 1.25;
inline constexpr int kLatticeSize = 128;

// `value` limited to lo..hi; NaN becomes lo.
double ClampToRange(double value, double lo, double hi);
// `value` rounded down into 0..maxIndex after clamping, NaN to 0.
int ClampToIndex(double value, int maxIndex);

// Requested period in 100-ns units as milliseconds.
double PeriodMs(std::uint32_t requested);
// The overshoot above which a wake at `requested` came after a later tick than the one asked
// for. NaN overshoots are never late.
double LateThresholdMs(std::uint32_t requested);
bool IsLateSample(std::uint32_t requested, double overshootMs);

// Overshoot to the lattice's vertical 0..1: the lower 80% linear from -0.05 to 2 ms, the top
// 20% for 2 to 20 ms, so the ordinary sub-millisecond spread keeps most of the height.
double LatencyScale(double overshootMs);

int HistogramBin(double overshootMs);
// Lattice row of an overshoot and lattice column of a late fraction (0..1).
int LatticeRow(double overshootMs);
int LatticeColumn(double lateFraction);

// The Live panel marks where the 2nd, 3rd, ... tick after the requested one would wake. A
// baseline sample (period 0) has no ticks to mark, and a very short period would put a line
// every few microseconds: the list is capped so the loop that builds it always ends.
inline constexpr int kMaxTickLines = 16;
inline constexpr double kLiveTopMs = 1.25;
struct TickLines {
  int count = 0;
  std::array<double, kMaxTickLines> overshootMs{};
};
TickLines LiveTickLines(std::uint32_t requested);
// "2nd tick", "3rd tick", "4th tick"; lines beyond those are drawn without a label, since
// at that density the labels would overlap each other.
const wchar_t* TickLineLabel(int index);

}  // namespace gui
