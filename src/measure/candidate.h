// One candidate timer period and what was measured at it.
#pragma once

#include <cstdint>
#include <vector>

#include "measure/sample_stats.h"

struct Candidate {
  std::uint32_t requested = 0;  // 100-ns units
  // What the kernel reported after the request; only ever set when equal to requested.
  std::uint32_t actual = 0;
  std::vector<double> loopSamples;  // back-to-back overshoots, ms, over all passes
  std::vector<double> idleSamples;  // overshoots after an idle gap, ms
  std::uint32_t dropped = 0;        // samples that ended with the clock elsewhere
  std::uint32_t interferer = 0;     // finer period another process held (0 = never)
  std::uint32_t skippedPasses = 0;  // measurement calls that did not measure
  SampleStats loopStats;
  SampleStats idleStats;
  double score = 0;  // mean of the two patterns' scores
  bool clean = false;

  // A pattern of fewer than two samples has no spread and says nothing about the period.
  bool HasData() const { return loopSamples.size() >= 2 && idleSamples.size() >= 2; }
};

// A candidate that nothing was measured at yet.
inline Candidate NewCandidate(std::uint32_t requested) {
  Candidate c;
  c.requested = requested;
  return c;
}

// The three ways one measurement call can end.
enum class MeasureOutcome : int {
  kMeasured = 0,
  kMasked = 1,  // another process holds a finer period; `interferer` tells which
  kFailed = 2,  // the kernel refused or misreported, or the run was cancelled
};
