#include "gui/chart_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gui {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ChartRulesTest, OvershootLandsOnClampedBinsAndRows) {
  struct Case {
    const char* name;
    double overshootMs;
    int bin, row;
  };
  const Case cases[] = {
      {"below the axis", -1.0, 0, 0},
      {"zero", 0.0, 4, 2},
      {"half a millisecond", 0.5, 44, 27},
      {"top of the histogram", 1.2, 99, 62},
      {"two milliseconds", 2.0, 99, 102},
      {"beyond 20 ms", 25.0, 99, 127},
      {"NaN", kNaN, 0, 0},
      {"1e30", 1e30, 99, 127},
      {"-1e30", -1e30, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HistogramBin(c.overshootMs), c.bin);
    EXPECT_EQ(LatticeRow(c.overshootMs), c.row);
  }
}

TEST(ChartRulesTest, LateThresholdAndColumn) {
  struct Case {
    std::uint32_t requested;
    double thresholdMs;
  };
  const Case cases[] = {{0, 0.0}, {5000, 0.25}, {10000, 1.5}, {20000, 4.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requested);
    EXPECT_DOUBLE_EQ(LateThresholdMs(c.requested), c.thresholdMs);
    EXPECT_FALSE(IsLateSample(c.requested, c.thresholdMs));
    EXPECT_TRUE(IsLateSample(c.requested, c.thresholdMs + 1e-9));
  }
  EXPECT_FALSE(IsLateSample(5000, kNaN));

  struct Column {
    double fraction;
    int column;
  };
  const Column columns[] = {{0, 0}, {0.5, 64}, {1, 127}, {-1, 0}, {kNaN, 0}, {1e30, 127}};
  for (const Column& c : columns) EXPECT_EQ(LatticeColumn(c.fraction), c.column) << c.fraction;
}

TEST(ChartRulesTest, TickLinesStopAtTheAxisTopAndAtTheCap) {
  struct Case {
    const char* name;
    std::uint32_t requested;
    int count;
    double first, last;
  };
  const Case cases[] = {
      {"baseline sample, no period", 0, 0, 0, 0},
      {"0.5 ms", 5000, 3, 0.0, 1.0},
      {"1 ms", 10000, 1, 1.0, 1.0},
      {"2 ms: first line above the axis", 20000, 0, 0, 0},
      {"0.0001 ms: capped", 1, kMaxTickLines, 0.0, 0.0015},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TickLines lines = LiveTickLines(c.requested);
    ASSERT_EQ(lines.count, c.count);
    if (c.count == 0) continue;
    EXPECT_NEAR(lines.overshootMs[0], c.first, 1e-12);
    EXPECT_NEAR(lines.overshootMs[c.count - 1], c.last, 1e-12);
  }
  EXPECT_STREQ(TickLineLabel(0), L"2nd tick");
  EXPECT_STREQ(TickLineLabel(2), L"4th tick");
  EXPECT_STREQ(TickLineLabel(3), L"");
}

}  // namespace
}  // namespace gui
