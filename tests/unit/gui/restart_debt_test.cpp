#include "gui/restart_debt.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

TEST(GuiRestartDebt, Matrix) {
  struct Row {
    bool stopped, holdBusy;
    int install;  // -2: no Hold ends after the measurement
    bool restartAtMeasure, restartAtHold, restartAtExit;
  };
  const Row rows[] = {
      {false, true, -2, false, false, false},  // nothing stopped
      {true, false, -2, true, false, false},   // restarted at once
      {true, true, 0, false, false, false},    // install after the debt settles it
      {true, true, 1, false, true, false},     // failed install: restart then
      {true, true, -1, false, true, false},    // stopped Hold: restart then
      {true, true, 2, false, false, true},     // hand-off is no install: still owed
      {true, true, -2, false, false, true},
  };
  for (const Row& r : rows) {
    RestartDebt d;
    EXPECT_EQ(d.MeasureEnded(r.stopped, r.holdBusy), r.restartAtMeasure);
    if (r.install != -2) EXPECT_EQ(d.HoldEnded(r.install), r.restartAtHold) << r.install;
    EXPECT_EQ(d.AtExit(false), r.restartAtExit) << r.install;
    EXPECT_FALSE(d.AtExit(true));
  }
  RestartDebt early;
  EXPECT_FALSE(early.HoldEnded(0));  // an install before the debt settles nothing
  EXPECT_FALSE(early.MeasureEnded(true, true));
  EXPECT_TRUE(early.AtExit(false));
}

}  // namespace
}  // namespace gui
