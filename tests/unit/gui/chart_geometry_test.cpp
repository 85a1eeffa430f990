#include "gui/chart_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace gui {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ChartGeometryTest, BarsNeverDivideByANonPositiveMaximum) {
  struct Case {
    double score, largest;
    float fraction;
  };
  const Case cases[] = {{0.55, 0.5, 1.0f}, {0.275, 0.5, 0.5f}, {0.3, 0, 0},  {0.3, -1, 0},
                        {0.3, kNaN, 0},    {kNaN, 0.5, 0},     {-1, 0.5, 0}, {1e30, 0.5, 1}};
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(BarFraction(c.score, c.largest), c.fraction) << c.score << " " << c.largest;
  }
}

TEST(ChartGeometryTest, LiveTraceHoldsTheNewestSamplesOldestFirst) {
  auto snapshot = std::make_unique<ChartSnapshot>();
  // 400 samples: the first 40 scroll off; sample k has overshoot (k % 5) x 0.3 - 0.1 ms.
  for (int k = 0; k < 400; ++k) {
    snapshot->ring[k] = {static_cast<float>((k % 5) * 0.3 - 0.1), 0, 5000, k % 2 == 1};
  }
  snapshot->totals.sampleCount = 400;
  const LiveTrace trace = BuildLiveTrace(*snapshot);
  ASSERT_EQ(trace.count, kLivePositions);
  const LiveStep& first = trace.steps[0];  // sample 40: -0.1 ms, clamped to the bottom
  EXPECT_FLOAT_EQ(first.x0, 0);
  EXPECT_FLOAT_EQ(first.y, 0);
  EXPECT_FALSE(first.afterIdle);
  const LiveStep& last = trace.steps[359];  // sample 399: 1.1 ms, late at 0.5 ms
  EXPECT_FLOAT_EQ(last.x1, 1);
  EXPECT_NEAR(last.y, 1.15 / 1.3, 1e-6);
  EXPECT_TRUE(last.late);
  EXPECT_TRUE(last.afterIdle);
  EXPECT_FLOAT_EQ(LiveAxisY(1e30), 1);
  EXPECT_FLOAT_EQ(LiveAxisY(kNaN), 0);
  EXPECT_EQ(BuildLiveTrace(ChartSnapshot{}).count, 0);
}

TEST(ChartGeometryTest, SweepRangeAndEasing) {
  EXPECT_DOUBLE_EQ(SweepTargetMaximum(0.1), 0.3);
  EXPECT_DOUBLE_EQ(SweepTargetMaximum(1.0), 1.12);
  EXPECT_DOUBLE_EQ(SweepTargetMaximum(kNaN), 0.3);
  EXPECT_NEAR(Ease(0, 1, 0.125, 8), 1 - std::exp(-1.0), 1e-12);
  EXPECT_DOUBLE_EQ(Ease(0.4, kNaN, 0.1, 8), 0.4);
  EXPECT_DOUBLE_EQ(Ease(0.4, 0.2, 0, 8), 0.4);
}

}  // namespace
}  // namespace gui
