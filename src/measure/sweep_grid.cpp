#include "measure/sweep_grid.h"

#include <algorithm>
#include <numeric>

namespace {

// Estimate model, ms: per sample of each pattern, settling per candidate per pass, and
// per finalist in verification.
constexpr double kLoopSampleMs = 1.15;
constexpr double kIdleSampleMs = 4.65;
constexpr double kSettleMs = 30;
constexpr double kFinalistMs = 300;

}  // namespace

std::uint32_t GridStep(const SweepConfig& config) {
  return config.step != 0 ? config.step : kDefaultStep;
}

std::vector<std::uint32_t> BuildGrid(const platform::TimerRange& range, const SweepConfig& config) {
  const std::uint32_t step = GridStep(config);
  const std::uint32_t base = config.sweepFrom != 0 ? config.sweepFrom : range.finest;
  std::uint32_t top = config.sweepTo != 0 ? config.sweepTo : base + 1000;
  if (range.coarsest != 0) top = std::min(top, range.coarsest);
  const std::uint32_t start = std::max(base, range.finest);
  if (start >= top) top = start + step;
  std::vector<std::uint32_t> grid;
  for (std::uint64_t period = start; period < top; period += step) {
    grid.push_back(static_cast<std::uint32_t>(period));
  }
  grid.push_back(top);
  return grid;
}

std::vector<std::size_t> VisitingOrder(std::size_t n, std::uint32_t pass) {
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (pass % 3 == 1) std::reverse(order.begin(), order.end());
  if (pass % 3 == 2) {
    std::uint32_t s = 12345u - pass * 1640531535u;
    for (std::size_t i = n; i >= 2; --i) {
      s = s * 1664525u + 1013904223u;
      const std::size_t j = (s >> 8) % i;
      std::swap(order[i - 1], order[j]);
    }
  }
  return order;
}

const wchar_t* OrderWord(std::uint32_t pass) {
  switch (pass % 3) {
    case 0:
      return L"ascending";
    case 1:
      return L"descending";
  }
  return L"shuffled";
}

SweepCounts CountsFor(const SweepConfig& config) {
  SweepCounts c;
  c.loop = config.samples;
  c.idle = std::max(config.samples / 2, 5u);
  c.verifyIdle = std::max(config.verifyCount / 2, 10u);
  c.roundLoop = (config.verifyCount + 9) / 10;
  c.roundIdle = (c.verifyIdle + 9) / 10;
  return c;
}

SweepEstimate EstimateFor(const SweepConfig& config, const SweepCounts& counts,
                          std::size_t candidates) {
  SweepEstimate e;
  e.sweepSeconds = config.passes * static_cast<double>(candidates) *
                   (counts.idle * kIdleSampleMs + counts.loop * kLoopSampleMs + kSettleMs) / 1000;
  e.verifySeconds =
      (counts.verifyIdle * kIdleSampleMs + config.verifyCount * kLoopSampleMs + kFinalistMs) *
      kMaxFinalists / 1000;
  e.totalSeconds = e.sweepSeconds + e.verifySeconds;
  e.sweepShare = e.sweepSeconds / (e.totalSeconds + 1);
  return e;
}
