#include "gui/guided_sequence.h"

#include <gtest/gtest.h>

#include "gui/card_layout.h"
#include "tweaks/cpu_probe.h"

namespace gui {
namespace {

TEST(GuiGuidedSequence, NextEligibleStep) {
  struct Row {
    int from;
    const char* selected;  // nine 0/1
    const char* hasWork;
    bool yes, cpuRuns;
    int step;
    Stage stage;
    bool start;
  };
  const Row rows[] = {
      {0, "111111111", "111111111", false, false, 0, Stage::PrepareConfirm, false},
      {0, "011111111", "111111111", false, false, 1, Stage::MeasureRunning, true},
      {2, "111111111", "111111111", false, false, 2, Stage::HoldRunning, true},
      {3, "111111111", "111111111", false, false, 3, Stage::CpuConfirm, false},
      {4, "111111111", "111111111", false, false, 4, Stage::GpuClean, true},
      {5, "111111111", "111110111", false, false, 6, Stage::AfterburnerConfirm, false},
      {0, "111111111", "111111111", true, false, 0, Stage::PrepareRunning, true},
      {3, "111111111", "111111111", true, false, 5, Stage::GpuRunning, true},
      {3, "111111111", "111111111", true, true, 3, Stage::CpuRunning, true},
      {8, "111111110", "111111111", false, false, -1, Stage::Review, false},
      {9, "111111111", "111111111", false, false, -1, Stage::Review, false},
  };
  for (const Row& row : rows) {
    GuidedContext c;
    for (int i = 0; i < kStepCount; ++i) {
      c.selected[i] = row.selected[i] == '1';
      c.hasWork[i] = row.hasWork[i] == '1';
    }
    c.yes = row.yes;
    c.cpuRuns = row.cpuRuns;
    const GuidedEntry e = GuidedNext(row.from, c);
    SCOPED_TRACE(testing::Message() << "from " << row.from << " yes " << row.yes);
    EXPECT_EQ(e.step, row.step);
    EXPECT_EQ(e.stage, row.stage);
    EXPECT_EQ(e.start, row.start);
  }
  EXPECT_EQ(ConfirmHeader(Stage::CpuConfirm, kCpuDynamic, L"").detail,
            L"dynamic boost detected. A 5000 ms interval would delay turbo");
  EXPECT_EQ(ConfirmHeader(Stage::CpuConfirm, kCpuUnclear, L"").detail,
            L"could not classify the multiplier");
  EXPECT_EQ(ConfirmHeader(Stage::GpuConfirm, 0, L"").detail, L"driver / Windows graphics settings");
}

TEST(GuiGuidedSequence, HoldValueAndPin) {
  struct Row {
    HoldInputs in;
    std::uint32_t value;
    bool pinned;
  };
  const Row rows[] = {
      {{12000, false, 5000, false, false, 9000}, 5000, true},  // --resolution is the user's
      {{12000, true, 0, false, true, 9000}, 12000, true},      // pinned install keeps it
      {{12000, true, 0, false, false, 9000}, 9000, false},     // the aggregate decides
      {{12000, false, 0, false, true, 0}, 12000, false},       // no aggregate yet
      {{12000, false, 5000, true, false, 0}, 12000, false},    // --measured: measured value
  };
  for (const Row& row : rows) {
    const HoldChoice c = ChooseHoldValue(row.in);
    EXPECT_EQ(c.value, row.value);
    EXPECT_EQ(c.pinned, row.pinned);
  }
}

TEST(GuiCardLayout, MeasureWideOrPlainGrid) {
  struct Row {
    Rect area;
    int count, measure, probe;
    Rect want;
  };
  const Row rows[] = {
      // 1340 x 880 client: Measure 64 % wide, two cards stacked on the right.
      {{16, 122, 1308, 704}, 3, 0, 0, {16, 122, 837.12f, 704}},
      {{16, 122, 1308, 704}, 3, 0, 2, {865.12f, 480, 458.88f, 346}},
      // No Measure: four columns of 318, the fifth card starts the second row.
      {{16, 122, 1308, 704}, 5, -1, 4, {16, 480, 318, 346}},
      // Too small for the wide Measure card: one column.
      {{0, 0, 600, 400}, 2, 0, 1, {0, 206, 600, 194}},
      // Four others and a right part of 708: two columns.
      {{0, 0, 2000, 800}, 5, 0, 4, {1652, 406, 348, 394}},
      // The others keep 248 beside the gap.
      {{0, 0, 700, 400}, 2, 0, 1, {452, 0, 248, 400}},
  };
  for (const Row& row : rows) {
    const std::vector<Rect> cells = LayoutCards(row.area, row.count, row.measure);
    ASSERT_EQ(cells.size(), static_cast<std::size_t>(row.count));
    const Rect& r = cells[static_cast<std::size_t>(row.probe)];
    SCOPED_TRACE(testing::Message() << row.count << " cards, probe " << row.probe);
    EXPECT_NEAR(r.x, row.want.x, 0.01);
    EXPECT_NEAR(r.y, row.want.y, 0.01);
    EXPECT_NEAR(r.width, row.want.width, 0.01);
    EXPECT_NEAR(r.height, row.want.height, 0.01);
  }
}

}  // namespace
}  // namespace gui
