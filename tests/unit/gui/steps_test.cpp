#include "gui/steps.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

TEST(GuiSteps, CompletionTable) {
  struct Row {
    std::uint32_t shown;
    StepState ended;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {2, StepState::Finished, 3},
      {2, StepState::Failed, 4},
      {2, StepState::Stopped, 4},
      {5, StepState::Finished, 6},
      {5, StepState::Failed, 7},
      {5, StepState::Stopped, 8},
      {9, StepState::Finished, 10},
      {9, StepState::Stopped, 11},
      {13, StepState::Failed, 15},
      {18, StepState::Finished, 19},
      {22, StepState::Stopped, 24},
      {26, StepState::Finished, 27},
      {30, StepState::Failed, 32},
      // Never moves on a busy or idle state, nor away from a screen that is not running.
      {5, StepState::Waiting, 5},
      {9, StepState::Running, 9},
      {13, StepState::Idle, 13},
      {16, StepState::Finished, 16},
      {36, StepState::Failed, 36},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(static_cast<std::uint32_t>(CompletionStage(static_cast<Stage>(r.shown), r.ended)),
              r.expected)
        << r.shown << " " << static_cast<int>(r.ended);
  }
}

TEST(GuiSteps, CelebrationStartsOnlyForMeasureAndHoldFinishing) {
  EXPECT_EQ(CelebrationAfter(Stage::MeasureRunning, StepState::Finished, 0.f), 0.0001f);
  EXPECT_EQ(CelebrationAfter(Stage::HoldRunning, StepState::Finished, 0.f), 0.0001f);
  EXPECT_EQ(CelebrationAfter(Stage::HoldRunning, StepState::Failed, 0.f), 0.f);
  EXPECT_EQ(CelebrationAfter(Stage::CpuRunning, StepState::Finished, 0.5f), 0.5f);
}

TEST(GuiSteps, PagesAndTitles) {
  const std::pair<std::uint32_t, int> rows[] = {
      {0, 0},  {1, 1},  {4, 1},  {5, 2},  {11, 2}, {12, 3}, {15, 3},  {16, 4},  {17, 5},
      {20, 5}, {21, 6}, {25, 7}, {29, 8}, {32, 8}, {33, 9}, {35, 10}, {34, 11}, {36, 12}};
  for (auto [stage, page] : rows) EXPECT_EQ(PageOf(static_cast<Stage>(stage)), page) << stage;
  EXPECT_STREQ(BannerTitle(2), L"INSTALLING");
  EXPECT_STREQ(BannerTitle(9), L"VELTRANE");
  EXPECT_STREQ(BannerTitle(-1), L"VELTRANE");
  EXPECT_EQ(RunningStage(4), -1);
  EXPECT_EQ(RunningStage(8), 30);
}

}  // namespace
}  // namespace gui
