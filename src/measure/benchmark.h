// One measurement run: the grid of candidate periods, several passes in different
// orders, the merge, the safety margin, interleaved verification of up to six finalists
// and the selection. It writes the run CSV, folds the run into the aggregate and reports
// through the console and the thread's feed; a feed's IsCancelled stops it.
#pragma once

#include <cstdint>
#include <string>

#include "app/options.h"
#include "measure/sample_stats.h"

struct SweepConfig {
  std::uint32_t sweepFrom = 0;  // 100-ns units; 0 = the kernel's finest
  std::uint32_t sweepTo = 0;    // 0 = from + 1000
  std::uint32_t step = 10;
  std::uint32_t samples = 0;  // back-to-back samples per candidate per pass
  std::uint32_t passes = 0;
  std::uint32_t verifyCount = 0;
  std::uint32_t margin = 0;
  bool marginSet = false;
  // What the flow found of the timer service, for the feed (the ServiceState numbers).
  std::uint32_t serviceState = 0;
};

struct BenchmarkResult {
  std::uint32_t selected = 0;    // the period this run verified (0 = none)
  std::uint32_t timerToSet = 0;  // the aggregate's choice when it gives one, else selected
  bool aggregateUsed = false;
  SampleStats loopStats;  // the selected finalist's verification statistics
  SampleStats idleStats;
  double score = 0;
  SampleStats baseline;  // Sleep(1) with no request of this process
  std::uint32_t bestMeasured = 0;
  std::uint32_t firstClean = 0;  // 0 = no period was free of missed ticks
  std::uint32_t margin = 0;      // selected - bestMeasured, or 0 below it
  bool optimumAtEdge = false;
  std::wstring error;  // empty on success
  std::wstring csvPath;
};

// The measurement with the options' fidelity plan. A running timer service would mask
// every coarser candidate: the flow stops it first (TimerServicePause) and passes what it
// found of it as `serviceState`.
BenchmarkResult RunBenchmark(const Options& options, std::uint32_t serviceState);
BenchmarkResult RunSweep(const SweepConfig& config);
