#include "measure/sample_stats.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "measure/candidate.h"

namespace {

// 1-based rank ceil(q * n), clamped to 1..n; no interpolation between neighbours.
double Quantile(const std::vector<double>& sorted, double q) {
  const std::size_t n = sorted.size();
  std::size_t rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(n)));
  rank = std::clamp<std::size_t>(rank, 1, n);
  return sorted[rank - 1];
}

}  // namespace

SampleStats ComputeStats(std::span<const double> samples, std::uint32_t tick, double lateLimitPct,
                         std::uint32_t minCount) {
  SampleStats s;
  const std::size_t n = samples.size();
  s.count = n;
  if (n < 2) return s;

  // Step 1: order statistics from a sorted copy.
  std::vector<double> sorted(samples.begin(), samples.end());
  std::sort(sorted.begin(), sorted.end());
  s.median = Quantile(sorted, 0.5);
  s.p1 = Quantile(sorted, 0.01);
  s.p95 = Quantile(sorted, 0.95);
  s.p99 = Quantile(sorted, 0.99);
  s.max = sorted.back();

  // Step 2: mean and deviation with outliers held at the ceiling.
  const double tick_ms = tick / 10000.0;
  const double ceiling = s.median + 2.5 * tick_ms;
  double sum = 0;
  for (double v : samples) sum += std::min(v, ceiling);
  s.mean = sum / static_cast<double>(n);
  double squares = 0;
  for (double v : samples) {
    const double d = std::min(v, ceiling) - s.mean;
    squares += d * d;
  }
  s.stdev = std::sqrt(squares / static_cast<double>(n - 1));

  // Step 3: a miss wakes a whole tick late; half a tick above typical separates them.
  const double late_threshold = s.median + 0.5 * tick_ms;
  for (double v : samples) {
    if (v > late_threshold) ++s.lateCount;
  }
  s.latePct = static_cast<double>(s.lateCount) * 100.0 / static_cast<double>(n);
  s.score = s.mean + s.stdev;
  s.clean = n >= minCount && (s.p99 - s.p1) < 0.5 * tick_ms && s.latePct <= lateLimitPct;
  return s;
}

void Rescore(Candidate& candidate, double lateLimitPct, std::uint32_t minCount) {
  const std::uint32_t tick = candidate.actual != 0 ? candidate.actual : candidate.requested;
  const std::uint32_t idle_min = minCount < 4 ? 2 : minCount / 2;
  candidate.loopStats = ComputeStats(candidate.loopSamples, tick, lateLimitPct, minCount);
  candidate.idleStats = ComputeStats(candidate.idleSamples, tick, lateLimitPct, idle_min);
  // A pattern without two samples has no score; averaging its 0 in would halve the other.
  const bool loop = candidate.loopStats.count >= 2, idle = candidate.idleStats.count >= 2;
  if (loop && idle) {
    candidate.score = (candidate.loopStats.score + candidate.idleStats.score) / 2;
  } else {
    candidate.score = loop ? candidate.loopStats.score : idle ? candidate.idleStats.score : 0;
  }
  candidate.clean = candidate.loopStats.clean && candidate.idleStats.clean;
}
