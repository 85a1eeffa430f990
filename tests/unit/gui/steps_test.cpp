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
  struct Row {
    int step;
    Stage was, now;
    StepState ended;
    float current, after;
  };
  const Row rows[] = {
      {1, Stage::MeasureRunning, Stage::MeasureDone, StepState::Finished, 0.f, 0.0001f},
      {2, Stage::HoldRunning, Stage::HoldDone, StepState::Finished, 0.f, 0.0001f},
      {2, Stage::HoldRunning, Stage::HoldFailed, StepState::Failed, 0.f, 0.f},
      // Hold's end is no reason for Measure's celebration, though Measure finished earlier.
      {1, Stage::HoldRunning, Stage::HoldDone, StepState::Finished, 0.f, 0.f},
      // Finished while another screen was shown: the user did not watch it.
      {1, Stage::Home, Stage::MeasureDone, StepState::Finished, 0.f, 0.f},
      {3, Stage::CpuRunning, Stage::CpuDone, StepState::Finished, 0.5f, 0.5f},
      {1, Stage::MeasureDone, Stage::MeasureRunning, StepState::Running, 0.7f, 0.f},
      {2, Stage::HoldDone, Stage::MeasureRunning, StepState::Finished, 1.f, 0.f},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CelebrationAfter(r.step, r.was, r.now, r.ended, r.current), r.after)
        << static_cast<int>(r.was) << " -> " << static_cast<int>(r.now);
  }
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
