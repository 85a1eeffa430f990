#include "gui/screens/aggregate_screen.h"

#include <gtest/gtest.h>

#include "gui/recording_canvas.h"

namespace gui::screens {
namespace {

AggregateView TwoDays() {
  AggregateView view;
  view.history = {{L"2026-12-10 08:00:00", L"Timer hold", L"Boot service holding 1.0000 ms"},
                  {L"2026-12-10 07:00:00", L"CPU", L"Processor power settings applied"},
                  {L"2026-12-09 21:00:00", L"Memory", L"Page file and memory compression applied"}};
  return view;
}

TEST(GuiAggregateScreen, DaySelectorWalksOlderThenBackToAll) {
  const AggregateView view = TwoDays();
  EXPECT_EQ(HistoryDays(view.history), (std::vector<std::wstring>{L"2026-12-10", L"2026-12-09"}));
  AggregateScreenState state;
  struct Step {
    int control, day;
    const char* shown;
  };
  const Step steps[] = {{kDayPrevControl, 0, "2 shown"},  {kDayPrevControl, 1, "1 shown"},
                        {kDayPrevControl, 1, "1 shown"},  {kDayNextControl, 0, "2 shown"},
                        {kDayNextControl, -1, "3 shown"}, {kDayAllControl, -1, "3 shown"}};
  for (const Step& s : steps) {
    ASSERT_TRUE(AggregateControl(s.control, view, state));
    EXPECT_EQ(state.day, s.day);
    RecordingCanvas canvas;
    InputRouter router;
    router.BeginFrame();
    DrawAggregateScreen(canvas, {0, 0, 1200, 700}, &view, state, router);
    EXPECT_TRUE(canvas.FindText(s.shown)) << s.shown;
  }
  EXPECT_FALSE(AggregateControl(999, view, state));
}

TEST(GuiAggregateScreen, NoRunsAndStillReading) {
  RecordingCanvas canvas;
  InputRouter router;
  AggregateScreenState state;
  DrawAggregateScreen(canvas, {0, 0, 1200, 700}, nullptr, state, router);
  EXPECT_TRUE(canvas.FindText("Reading the saved runs"));
  canvas.Clear();
  const AggregateView empty;
  DrawAggregateScreen(canvas, {0, 0, 1200, 700}, &empty, state, router);
  EXPECT_TRUE(canvas.FindText("Aggregate  |  no saved runs yet"));
  EXPECT_TRUE(canvas.FindText("Run Measure timing."));
}

}  // namespace
}  // namespace gui::screens
