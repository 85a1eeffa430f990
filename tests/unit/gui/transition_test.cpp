#include "gui/transition.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gui {
namespace {

TEST(GuiTransition, AdvanceAndLook) {
  // Within a page 0.36 s, between pages 0.55 s; never past 1, never back.
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.0, 0.18, true), 0.5);
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.0, 0.11, false), 0.2);
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.9, 0.55, false), 1.0);
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.4, 0.0, false), 0.4);
  // A stall of two seconds moves it by a quarter second only; NaN and negative not at all.
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.0, 2.0, true), 0.25 / 0.36);
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.3, std::nan(""), true), 0.3);
  EXPECT_DOUBLE_EQ(AdvanceTransition(0.3, -1.0, true), 0.3);
  struct Row {
    double t;
    bool samePage, forward;
    float offset, outgoing, incoming;
  };
  // At t = 0.5 the eased value is 1 - 0.5^3 = 0.875.
  const Row rows[] = {
      {0.5, true, true, 0.0f, 0.125f, 0.875f},
      {0.5, false, true, -68.25f, 0.015625f, 0.875f},
      {0.5, false, false, 68.25f, 0.015625f, 0.875f},
      {0.0, false, true, 0.0f, 1.0f, 0.0f},
      {1.0, false, true, -78.0f, 0.0f, 1.0f},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.t);
    const TransitionLook look = LookAt(r.t, r.samePage, r.forward);
    EXPECT_FLOAT_EQ(look.outgoingOffset, r.offset);
    EXPECT_FLOAT_EQ(look.outgoingOpacity, r.outgoing);
    EXPECT_FLOAT_EQ(look.incomingOpacity, r.incoming);
  }
}

TEST(GuiTransition, CelebrationRisesByFrameSteps) {
  // Frame steps are the animations' (at most 0.05 s); 0 stays off; the top is 1.
  EXPECT_FLOAT_EQ(AdvanceCelebration(0.0001f, 0.01, kMeasureCelebrationRate), 0.0081f);
  EXPECT_FLOAT_EQ(AdvanceCelebration(0.5f, 1.0, kHoldCelebrationRate), 0.56f);
  EXPECT_FLOAT_EQ(AdvanceCelebration(0.99f, 0.05, kHoldCelebrationRate), 1.0f);
  EXPECT_FLOAT_EQ(AdvanceCelebration(0.0f, 0.05, kHoldCelebrationRate), 0.0f);
}

}  // namespace
}  // namespace gui
