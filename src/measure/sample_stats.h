// Robust statistics of one pattern of Sleep(1) overshoots, and the per-candidate score.
// Every value is milliseconds of overshoot beyond the requested 1 ms unless noted.
#pragma once

#include <cstdint>
#include <span>

struct SampleStats {
  std::uint64_t count = 0;
  double median = 0;
  double mean = 0;   // of the clipped samples
  double stdev = 0;  // sample deviation of the clipped samples
  double p1 = 0;
  double p95 = 0;
  double p99 = 0;
  double max = 0;
  std::uint64_t lateCount = 0;  // samples later than median + half a tick
  double latePct = 0;
  double score = 0;  // mean + stdev
  bool clean = false;
};

// `tick` is the candidate period in 100-ns units. Quantiles are 1-based ranks without
// interpolation; samples above median + 2.5 ticks count as that ceiling for mean and
// stdev so one stalled wake cannot swamp a candidate. Fewer than two samples give only
// `count`.
SampleStats ComputeStats(std::span<const double> samples, std::uint32_t tick, double lateLimitPct,
                         std::uint32_t minCount);

struct Candidate;
// Recomputes both patterns of `candidate` and its combined score and verdict. The idle
// pattern is taken at half the rate, so it needs only half of `minCount` (at least 2).
void Rescore(Candidate& candidate, double lateLimitPct, std::uint32_t minCount);
