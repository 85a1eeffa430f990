// The shape of a sweep: the candidate grid from the kernel's range and the options, the
// visiting order of each pass, the sample counts and the time model behind estimates.
#pragma once

#include <cstdint>
#include <vector>

#include "measure/benchmark.h"
#include "platform/kernel_timer.h"

inline constexpr std::uint32_t kDefaultStep = 10;
inline constexpr int kVerifyRounds = 10;
inline constexpr std::size_t kMaxFinalists = 6;

// start, start + step, ... below top, then top itself, where start is at least the
// kernel's finest and top at most its coarsest. Never empty.
std::vector<std::uint32_t> BuildGrid(const platform::TimerRange& range, const SweepConfig& config);
std::uint32_t GridStep(const SweepConfig& config);

// Pass p visits ascending (p mod 3 = 0), descending (1) or in a fixed shuffle (2) that is
// the same on every run for the same n, so slow drifts do not favour one end of the grid.
std::vector<std::size_t> VisitingOrder(std::size_t n, std::uint32_t pass);
const wchar_t* OrderWord(std::uint32_t pass);

struct SweepCounts {
  std::uint32_t loop = 0;        // back-to-back per candidate per pass
  std::uint32_t idle = 0;        // idle-gap per candidate per pass
  std::uint32_t verifyIdle = 0;  // idle-gap per finalist over all rounds
  std::uint32_t roundLoop = 0;   // per finalist per round
  std::uint32_t roundIdle = 0;
};
SweepCounts CountsFor(const SweepConfig& config);

struct SweepEstimate {
  double sweepSeconds = 0;
  double verifySeconds = 0;
  double totalSeconds = 0;
  double sweepShare = 0;  // of the progress bar
};
SweepEstimate EstimateFor(const SweepConfig& config, const SweepCounts& counts,
                          std::size_t candidates);
