#include "gui/step_policy.h"

#include <gtest/gtest.h>

#include "tweaks/cpu_probe.h"

namespace gui {
namespace {

TEST(StepPolicyTest, RestartDecisions) {
  EXPECT_EQ(RestartRefusal(false, false), nullptr);
  EXPECT_STREQ(RestartRefusal(true, false),
               L"A step is still running. Restart when it has finished.");
  EXPECT_STREQ(RestartRefusal(false, true),
               L"The driver download or install is still running. Restart when it has finished.");
}

TEST(StepPolicyTest, CpuWarningAndEndHeadings) {
  EXPECT_TRUE(ShowCpuWarningOnSelection(kCpuDynamic, true));
  EXPECT_FALSE(ShowCpuWarningOnSelection(kCpuDynamic, false));
  EXPECT_FALSE(ShowCpuWarningOnSelection(kCpuLocked, true));
  EXPECT_STREQ(StepEndHeading(false), L"This step failed");
  EXPECT_STREQ(StepEndHeading(true), L"This step was stopped");
}

TEST(StepPolicyTest, FailureTextsNameTheServiceOnlyWhenItHolds) {
  struct Case {
    bool gpu, holding;
    const wchar_t *message, *followUp;
  };
  const Case cases[] = {
      {false, true, L"PPM apply failed - see the log. Timer resolution is still installed.",
       L"Timer resolution is still held. Retry the power-plan writes, or skip to the next step."},
      {true, true, L"GPU apply failed - see the log. Timer resolution is still installed.",
       L"Timer resolution is still held. Retry the GPU writes, or skip to the next step."},
      {false, false, L"PPM apply failed - see the log.",
       L"Retry the power-plan writes, or skip to the next step."},
  };
  for (const Case& c : cases) {
    const FailureTexts t = TweakFailureTexts(c.gpu, c.holding);
    EXPECT_EQ(t.message, c.message);
    EXPECT_EQ(t.followUp, c.followUp);
  }
}

}  // namespace
}  // namespace gui
