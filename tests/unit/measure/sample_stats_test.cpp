#include "measure/sample_stats.h"

#include <gtest/gtest.h>

#include <vector>

#include "measure/candidate.h"

namespace {

constexpr std::uint32_t kTick = 5000;  // 0.5 ms: half a tick is 0.25 ms

std::vector<double> TwoLateOf202() {
  std::vector<double> ms(200, 0.125);
  ms.push_back(0.5);
  ms.push_back(0.5);
  return ms;
}

TEST(ComputeStatsTest, QuantilesAreRanksWithoutInterpolation) {
  struct Case {
    const char* name;
    std::vector<double> ms;
    double median, p1, p95, p99, max;
  };
  const Case kCases[] = {
      {"two samples", {0.2, 0.1}, 0.1, 0.1, 0.2, 0.2, 0.2},
      {"even count takes the lower middle", {4, 3, 2, 1}, 2, 1, 4, 4, 4},
      {"negative overshoot kept", {-0.02, 0.0, 0.01}, 0.0, -0.02, 0.01, 0.01, 0.01},
      {"rank 95 of 100",
       [] {
         std::vector<double> v;
         for (int i = 1; i <= 100; ++i) v.push_back(i);
         return v;
       }(),
       50, 1, 95, 99, 100},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const SampleStats s = ComputeStats(c.ms, kTick, 0.5, 2);
    EXPECT_EQ(s.count, c.ms.size());
    EXPECT_DOUBLE_EQ(s.median, c.median);
    EXPECT_DOUBLE_EQ(s.p1, c.p1);
    EXPECT_DOUBLE_EQ(s.p95, c.p95);
    EXPECT_DOUBLE_EQ(s.p99, c.p99);
    EXPECT_DOUBLE_EQ(s.max, c.max);
  }
}

TEST(ComputeStatsTest, FewerThanTwoSamplesGiveOnlyTheCount) {
  for (const std::vector<double>& ms : {std::vector<double>{}, std::vector<double>{0.3}}) {
    const SampleStats s = ComputeStats(ms, kTick, 100, 0);
    EXPECT_EQ(s.count, ms.size());
    EXPECT_EQ(s.median, 0);
    EXPECT_EQ(s.max, 0);
    EXPECT_EQ(s.score, 0);
    EXPECT_FALSE(s.clean);
  }
}

// The sample deviation divides by n - 1: {0.1, 0.3} has mean 0.2 and deviation
// sqrt(0.02 / 1) = 0.14142, not sqrt(0.02 / 2) = 0.1.
TEST(ComputeStatsTest, DeviationDividesByOneLessThanTheCount) {
  struct Case {
    const char* name;
    std::vector<double> ms;
    double stdev;
  };
  const Case kCases[] = {
      {"two samples", {0.1, 0.3}, 0.141421356},
      {"four samples", {0.1, 0.1, 0.3, 0.3}, 0.115470054},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(ComputeStats(c.ms, kTick, 100, 2).stdev, c.stdev, 1e-9);
  }
}

TEST(ComputeStatsTest, OneStallRaisesDeviationOnlyUpToTheClipCeiling) {
  // Nine samples at 0.1 and one 50 ms stall: the stall counts as 0.1 + 2.5 ticks.
  std::vector<double> ms(9, 0.1);
  ms.push_back(50.0);
  const SampleStats s = ComputeStats(ms, kTick, 100, 2);
  const double ceiling = 0.1 + 2.5 * 0.5;
  EXPECT_DOUBLE_EQ(s.mean, (9 * 0.1 + ceiling) / 10);
  EXPECT_LT(s.stdev, 0.5);
  EXPECT_DOUBLE_EQ(s.max, 50.0);
  EXPECT_DOUBLE_EQ(s.p99, 50.0);
  EXPECT_EQ(s.lateCount, 1u);
  EXPECT_DOUBLE_EQ(s.latePct, 10.0);
  EXPECT_DOUBLE_EQ(s.score, s.mean + s.stdev);
}

TEST(ComputeStatsTest, LateAndCleanTestsAreStrict) {
  struct Case {
    const char* name;
    std::vector<double> ms;
    double late_limit;
    std::uint32_t min_count;
    std::uint64_t late;
    bool clean;
  };
  const Case kCases[] = {
      // Binary-exact values: median 0.125, half a tick 0.25.
      {"exactly half a tick above the median is not late, nor clean",
       {0.125, 0.125, 0.125, 0.375},
       100,
       2,
       0,
       false},
      {"just above half a tick is late", {0.125, 0.125, 0.125, 0.37501}, 100, 2, 1, false},
      {"spread just under half a tick is clean", {0.125, 0.125, 0.125, 0.3749}, 0.5, 2, 0, true},
      {"too few samples are never clean", {0.1, 0.1, 0.1, 0.1}, 0.5, 5, 0, false},
      // 2 late of 202: p99 is rank 200, so only the late share can spoil the verdict.
      {"a late share within the limit stays clean", TwoLateOf202(), 1.0, 2, 2, true},
      {"a late share above the limit is not clean", TwoLateOf202(), 0.5, 2, 2, false},
      // 1 late of 200 is exactly 0.5 %: the limit itself is still clean.
      {"a late share exactly at the limit is clean",
       [] {
         std::vector<double> ms(199, 0.125);
         ms.push_back(0.5);
         return ms;
       }(),
       0.5, 2, 1, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const SampleStats s = ComputeStats(c.ms, kTick, c.late_limit, c.min_count);
    EXPECT_EQ(s.lateCount, c.late);
    EXPECT_EQ(s.clean, c.clean);
  }
}

TEST(RescoreTest, IdlePatternNeedsHalfTheMinimumAndTheActualPeriodIsTheTick) {
  Candidate c = NewCandidate(5000);
  c.loopSamples = {0.1, 0.1, 0.1, 0.1};
  c.idleSamples = {0.2, 0.2};
  Rescore(c, 0.5, 4);  // idle needs 4 / 2 = 2
  EXPECT_TRUE(c.loopStats.clean);
  EXPECT_TRUE(c.idleStats.clean);
  EXPECT_TRUE(c.clean);
  EXPECT_DOUBLE_EQ(c.score, (c.loopStats.score + c.idleStats.score) / 2);

  Rescore(c, 0.5, 6);  // loop needs 6, idle 3
  EXPECT_FALSE(c.loopStats.clean);
  EXPECT_FALSE(c.idleStats.clean);

  // A spread of 0.3 ms is clean only when the tick is the kernel's wider actual period.
  c.loopSamples = {0.1, 0.4, 0.1, 0.1};
  c.actual = 0;
  Rescore(c, 100, 2);
  EXPECT_FALSE(c.loopStats.clean);
  c.actual = 10000;
  Rescore(c, 100, 2);
  EXPECT_TRUE(c.loopStats.clean);

  // A pattern of fewer than two samples has no score: the other one is the score, not
  // half of it. (Loop {0.1, 0.4, 0.1, 0.1}: clipped mean 0.175, deviation 0.15.)
  c.idleSamples = {0.2};
  Rescore(c, 100, 2);
  EXPECT_NEAR(c.score, 0.175 + 0.15, 1e-12);
  EXPECT_FALSE(c.HasData());
}

}  // namespace
