#include "gui/measure_charts.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gui/recording_canvas.h"

namespace gui {
namespace {

int CoralLines(const RecordingCanvas& canvas) {
  int n = 0;
  for (const DrawCall& call : canvas.calls()) {
    n += call.kind == DrawKind::kLine && call.color == palette::kCoral ? 1 : 0;
  }
  return n;
}

TEST(GuiMeasureCharts, EveryWakeCountsOnceAndANewRunStartsEmpty) {
  SharedState feed;
  FeedSnapshot copy;
  MeasureCharts charts;
  // At 1 ms a wake more than 1.5 ms late missed a tick; NaN and a huge value land on the edges.
  for (double overshoot : {0.1, 0.2, 1.6, std::nan("")}) feed.AddSample(10000, overshoot, false);
  feed.Snapshot(copy);
  charts.Take(copy);
  feed.AddSample(10000, 1e30, true);
  feed.AddSample(10000, 0.1, true);
  feed.Snapshot(copy);
  charts.Take(copy);
  EXPECT_EQ(charts.Snapshot().totals.sampleCount, 6u);

  RecordingCanvas canvas;
  DrawMeasurePanels(canvas, {0, 0, 1200, 600}, charts.Snapshot(), copy);
  EXPECT_EQ(CoralLines(canvas), 2);  // 1.6 ms and 1e30 were late; NaN never is
  EXPECT_TRUE(canvas.FindText("6 wakes"));

  feed.Reset();
  feed.Snapshot(copy);
  charts.Take(copy);
  EXPECT_EQ(charts.Snapshot().totals.sampleCount, 0u);
}

}  // namespace
}  // namespace gui
