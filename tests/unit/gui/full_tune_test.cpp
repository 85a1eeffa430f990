#include "gui/full_tune.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

// Nine state letters in step order: i Idle, w Waiting, r Running, f Finished, x Failed,
// s Stopped; selection letters: 1 selected, 0 not.
TuneView View(const char* states, const char* selected, GpuFlow flow = GpuFlow::Idle) {
  TuneView v;
  for (int i = 0; i < kStepCount; ++i) {
    const char c = states[i];
    v.state[i] = c == 'w'   ? StepState::Waiting
                 : c == 'r' ? StepState::Running
                 : c == 'f' ? StepState::Finished
                 : c == 'x' ? StepState::Failed
                 : c == 's' ? StepState::Stopped
                            : StepState::Idle;
    v.selected[i] = selected[i] == '1';
  }
  v.flow = flow;
  v.resolutionKnown = true;
  return v;
}

TEST(GuiFullTune, NextStartInTickOrder) {
  struct Row {
    const char* states;
    const char* selected;
    GpuFlow flow;
    int start;
    bool lookup;
  };
  const Row rows[] = {
      {"iiiiiiiii", "111111111", GpuFlow::Idle, 0, false},          // restore point first
      {"riiiiiiii", "111111111", GpuFlow::Idle, -1, false},         // nothing beside it
      {"xiiiiiiii", "111111111", GpuFlow::Idle, -1, false},         // failed, unsettled: blocks
      {"iiiiiiiri", "111111111", GpuFlow::Idle, -1, false},         // memory busy holds prepare
      {"fiiiiiiii", "111111111", GpuFlow::Idle, 1, false},          // then measure
      {"friiiiiii", "111111111", GpuFlow::Idle, -1, false},         // measure busy: nothing below
      {"ffiiiiiii", "111111111", GpuFlow::Idle, 3, false},          // cpu
      {"ffirrrrii", "111111111", GpuFlow::Idle, 7, false},          // memory
      {"ffirrrrrr", "111101111", GpuFlow::Idle, 2, false},          // hold after measure
      {"iiiriiiii", "000100001", GpuFlow::Idle, -1, false},         // storage waits for cpu
      {"iiixiiiii", "000100001", GpuFlow::Idle, 8, false},          // ... also after it failed
      {"iiiiiiiii", "000011000", GpuFlow::Idle, 4, true},           // driver lookup
      {"iiiiiiiii", "000011000", GpuFlow::Downloading, -1, false},  // config waits for it
      {"iiiiiiiii", "000011000", GpuFlow::Installed, 5, false},
      {"iiiiiirii", "000001100", GpuFlow::Idle, -1, false},  // afterburner busy
      {"isiiiiiii", "011000000", GpuFlow::Idle, -1, false},  // hold needs a finished measure
  };
  for (const Row& r : rows) {
    const TickAction a = NextFullTuneStart(View(r.states, r.selected, r.flow));
    EXPECT_EQ(a.start, r.start) << r.states << " " << r.selected;
    EXPECT_EQ(a.gpuLookup, r.lookup) << r.states;
  }
}

TEST(GuiFullTune, CapacityOneRunsStepsOneAtATime) {
  TuneView v = View("iiiiiiiii", "111100011");
  std::vector<int> order;
  for (int round = 0; round < 6; ++round) {
    const int capacity = 1;
    if (ActiveCount(v) >= capacity) break;
    const TickAction a = NextFullTuneStart(v);
    if (a.start < 0) break;
    order.push_back(a.start);
    v.state[a.start] = StepState::Finished;  // each runs to its end before the next tick
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 3, 7, 8, 2}));
}

TEST(GuiFullTune, DoneTable) {
  struct Row {
    const char* states;
    const char* selected;
    GpuFlow flow;
    bool prepareSettled, gpuCleanSettled, afterburnerSettled, resolutionKnown, done;
  };
  const Row rows[] = {
      {"fffffffff", "111111111", GpuFlow::Installed, 0, 0, 0, 1, true},
      {"xffffffff", "111111111", GpuFlow::Installed, 0, 0, 0, 1, false},  // prepare unsettled
      {"xffffffff", "111111111", GpuFlow::Installed, 1, 0, 0, 1, true},   // continue anyway
      {"ffrffffff", "111111111", GpuFlow::Installed, 0, 0, 0, 1, false},  // busy hold
      {"fxiffffff", "111111111", GpuFlow::Installed, 0, 0, 0, 1, true},   // measure failed
      {"iiiiiiiii", "001000000", GpuFlow::Idle, 0, 0, 0, 0, true},        // nothing to hold
      {"iiiiiiiii", "001000000", GpuFlow::Idle, 0, 0, 0, 1, false},
      {"iiiifiiii", "000010000", GpuFlow::OfferReady, 0, 0, 0, 1, false},  // user choice
      {"iiiifiiii", "000010000", GpuFlow::Idle, 0, 0, 0, 1, true},         // slot ended
      {"iiiiiiiii", "000010000", GpuFlow::Idle, 0, 1, 0, 1, true},         // skipped
      {"iiiiiiiii", "000000100", GpuFlow::Idle, 0, 0, 1, 1, true},
      {"iiiiiiwii", "000000100", GpuFlow::Idle, 0, 0, 1, 1, false},  // settled but busy
  };
  for (const Row& r : rows) {
    TuneView v = View(r.states, r.selected, r.flow);
    v.prepareSettled = r.prepareSettled;
    v.gpuCleanSettled = r.gpuCleanSettled;
    v.afterburnerSettled = r.afterburnerSettled;
    v.resolutionKnown = r.resolutionKnown;
    EXPECT_EQ(FullTuneDone(v), r.done) << r.states << " " << r.selected;
  }
}

TEST(GuiFullTune, CapacityBoundaries) {
  // content = client - 32 wide, client - 176 high; a column needs 312 minus one 12 gap.
  const int rows[][3] = {{343, 1000, 3},  {643, 383, 1},    {644, 383, 2},
                         {644, 579, 2},   {644, 580, 4},    {1267, 800, 9},
                         {1268, 800, 12}, {3000, 3000, 12}, {0, 0, 1}};
  for (const auto& r : rows) EXPECT_EQ(CardCapacity(r[0], r[1]), r[2]) << r[0] << "x" << r[1];
}

TEST(GuiFullTune, StatusLineAndActiveCount) {
  EXPECT_EQ(StatusLine(View("iiiiiiiii", "111111111")), L"");
  EXPECT_EQ(StatusLine(View("iiiiiiiii", "111111111", GpuFlow::OfferReady)),
            L"Waiting: GPU driver choice");
  EXPECT_EQ(StatusLine(View("xrwriiiis", "111111111")),
            L"Running: Measure, CPU power    Waiting: Timer service    Stopped: Restore point, "
            L"Storage");
  TuneView v = View("xrwriiiis", "111111111", GpuFlow::NoPackage);
  v.afterburnerOffered = true;
  EXPECT_EQ(ActiveCount(v), 6);  // 3 busy + prepare decision + driver choice + offer
}

TEST(GuiFullTune, AutoHoldNeverDuringAFullTuneAndHistoryLines) {
  EXPECT_TRUE(ShouldAutoHold(View("ifiiiiiii", "111111111"), false));
  EXPECT_FALSE(ShouldAutoHold(View("ifiiiiiii", "111111111"), true));  // restore point first
  EXPECT_FALSE(ShouldAutoHold(View("iriiiiiii", "111111111"), false));
  EXPECT_FALSE(ShouldAutoHold(View("ifsiiiiii", "111111111"), false));
  EXPECT_EQ(HistoryLineFor(2, 5000).message, L"Boot service holding 0.5000 ms");
  EXPECT_EQ(HistoryLineFor(2, 0).message, L"Boot service installed");
  EXPECT_EQ(HistoryLineFor(1, 5000).area, L"");
  EXPECT_EQ(HistoryLineFor(4, 0).area, L"GPU driver");
}

TEST(GuiFullTune, CardProgress) {
  std::vector<TweakRow> rows(4);
  EXPECT_LT(CardProgress(0, {}), 0);
  EXPECT_DOUBLE_EQ(CardProgress(1.7, rows), 1.0);
  rows[0].state = 2;
  rows[1].state = 3;
  rows[2].state = 1;
  EXPECT_DOUBLE_EQ(CardProgress(0.0005, rows), 2.35 / 4);
}

}  // namespace
}  // namespace gui
