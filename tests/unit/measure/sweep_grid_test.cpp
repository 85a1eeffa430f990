#include "measure/sweep_grid.h"

#include <gtest/gtest.h>

#include <vector>

#include "measure/fidelity.h"

namespace {

constexpr platform::TimerRange kRange{156250, 5000, 156250};

TEST(BuildGridTest, GridFromTheRangeAndTheOptions) {
  struct Case {
    const char* name;
    platform::TimerRange range;
    std::uint32_t from, to, step;
    std::vector<std::uint32_t> grid;
  };
  const Case kCases[] = {
      {"last candidate is the top even off the step",
       kRange,
       5000,
       5025,
       10,
       {5000, 5010, 5020, 5025}},
      {"from below the fastest starts at the fastest",
       kRange,
       4000,
       5030,
       10,
       {5000, 5010, 5020, 5030}},
      {"to above the slowest is lowered to it",
       {5100, 5000, 5100},
       5050,
       9000,
       25,
       {5050, 5075, 5100}},
      {"from at the top gives start and start + step", kRange, 5200, 5200, 10, {5200, 5210}},
      {"from above the top likewise", kRange, 5300, 5200, 10, {5300, 5310}},
      {"zero step uses the default", kRange, 5000, 5020, 0, {5000, 5010, 5020}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    SweepConfig config;
    config.sweepFrom = c.from;
    config.sweepTo = c.to;
    config.step = c.step;
    EXPECT_EQ(BuildGrid(c.range, config), c.grid);
  }
}

TEST(BuildGridTest, DefaultsGive101CandidatesFromTheFastest) {
  const std::vector<std::uint32_t> grid = BuildGrid(kRange, SweepConfig{});
  ASSERT_EQ(grid.size(), 101u);
  EXPECT_EQ(grid.front(), 5000u);
  EXPECT_EQ(grid.back(), 6000u);
}

TEST(VisitingOrderTest, AscendingDescendingThenAFixedShuffle) {
  // The shuffles worked out from s = 12345 - p x 1640531535, s = s x 1664525 + 1013904223
  // and j = (s >> 8) mod i, all in unsigned 32 bits: the same on every run.
  struct Case {
    std::uint32_t pass;
    std::vector<std::size_t> order;
    const wchar_t* word;
  };
  const Case kCases[] = {
      {0, {0, 1, 2, 3, 4, 5, 6, 7}, L"ascending"},  {1, {7, 6, 5, 4, 3, 2, 1, 0}, L"descending"},
      {2, {7, 5, 1, 6, 3, 2, 0, 4}, L"shuffled"},   {3, {0, 1, 2, 3, 4, 5, 6, 7}, L"ascending"},
      {4, {7, 6, 5, 4, 3, 2, 1, 0}, L"descending"}, {5, {4, 5, 3, 6, 1, 2, 7, 0}, L"shuffled"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.pass);
    EXPECT_EQ(VisitingOrder(8, c.pass), c.order);
    EXPECT_STREQ(OrderWord(c.pass), c.word);
  }
}

TEST(CountsForTest, IdleAndRoundCountsHaveFloorsAndRoundUp) {
  struct Case {
    const char* name;
    std::uint32_t samples, verify;
    SweepCounts counts;
  };
  const Case kCases[] = {
      {"high", 150, 1500, {150, 75, 750, 150, 75}},
      {"low", 8, 100, {8, 5, 50, 10, 5}},
      {"odd verify rounds up", 18, 187, {18, 9, 93, 19, 10}},
      {"tiny verify keeps ten idle", 2, 5, {2, 5, 10, 1, 1}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    SweepConfig config;
    config.samples = c.samples;
    config.verifyCount = c.verify;
    const SweepCounts got = CountsFor(config);
    EXPECT_EQ(got.loop, c.counts.loop);
    EXPECT_EQ(got.idle, c.counts.idle);
    EXPECT_EQ(got.verifyIdle, c.counts.verifyIdle);
    EXPECT_EQ(got.roundLoop, c.counts.roundLoop);
    EXPECT_EQ(got.roundIdle, c.counts.roundIdle);
  }
}

TEST(FidelityPlanForTest, PlansAndTheirEstimates) {
  struct Case {
    const char* name;
    Fidelity fidelity;
    std::uint32_t samples, passes, verify;
    double seconds;
  };
  const Case kCases[] = {
      {"low", Fidelity::Low, 8, 1, 100, 12.19245},
      {"medium", Fidelity::Medium, 18, 3, 187, 35.72765},
      {"high", Fidelity::High, 150, 3, 1500, 202.10375},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const FidelityPlan plan = FidelityPlanFor(c.fidelity);
    EXPECT_EQ(plan.samples, c.samples);
    EXPECT_EQ(plan.passes, c.passes);
    EXPECT_EQ(plan.verifyCount, c.verify);
    EXPECT_NEAR(plan.estimatedSeconds, c.seconds, 1e-9);
  }
}

TEST(EstimateForTest, SweepShareOfTheProgressBar) {
  SweepConfig config;
  config.samples = 150;
  config.passes = 3;
  config.verifyCount = 1500;
  const SweepEstimate e = EstimateFor(config, CountsFor(config), 101);
  EXPECT_NEAR(e.sweepSeconds, 3 * 101 * (75 * 4.65 + 150 * 1.15 + 30) / 1000, 1e-9);
  EXPECT_NEAR(e.verifySeconds, (750 * 4.65 + 1500 * 1.15 + 300) * 6 / 1000, 1e-9);
  EXPECT_NEAR(e.sweepShare, e.sweepSeconds / (e.totalSeconds + 1), 1e-12);
}

}  // namespace
