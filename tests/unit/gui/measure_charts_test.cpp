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

// The lattice sits in the largest square of its panel, or says why it cannot; its note names
// the phase the picture belongs to.
TEST(GuiMeasureCharts, LatticePanelDrawsTheLiveSourceOrItsMessage) {
  struct Row {
    int phase;  // 0 before the sweep, 1 sweep pass 2 of 3, 2 verification
    bool available;
    const char* note;
  };
  const Row rows[] = {
      {0, true, "late %  ×  measured latency  ×  sample n"},
      {1, true, "pass 2 of 3  |  late % × latency × n  |  n = 2"},
      {2, false, "verification  |  128³  |  n = 2  |  missed 1"},
  };
  for (const Row& row : rows) {
    SharedState feed;
    FeedSnapshot copy;
    MeasureCharts charts;
    const auto take = [&] {
      feed.Snapshot(copy);
      if (row.phase >= 1) {
        copy.sweep.candidates.resize(2);
        copy.sweep.pass = 2;
        copy.sweep.passCount = 3;
      }
      if (row.phase == 2) copy.finalists.resize(1);
      charts.Take(copy);
    };
    take();  // the phase starts its own picture, then two wakes at 1 ms, one a tick late
    feed.AddSample(10000, 0.1, false);
    feed.AddSample(10000, 1.6, false);
    take();
    RecordingCanvas canvas;
    canvas.SetLatticeAvailable(row.available);
    // 1200 x 600: the lattice column is the right 480; inside its 12-DIP sides, its 30-DIP top
    // and a height less 42 it has 456 x 558, so the square is 456, centred 51 lower.
    DrawMeasurePanels(canvas, {0, 0, 1200, 600}, charts.Snapshot(), copy);
    EXPECT_TRUE(canvas.FindText(row.note)) << row.note;
    int lattices = 0;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind != DrawKind::kLattice) continue;
      ++lattices;
      EXPECT_EQ(call.id, kLiveLattice);
      EXPECT_FLOAT_EQ(call.rect.x, 732);
      EXPECT_FLOAT_EQ(call.rect.y, 81);
      EXPECT_FLOAT_EQ(call.rect.width, 456);
      EXPECT_FLOAT_EQ(call.rect.height, 456);
    }
    EXPECT_EQ(lattices, row.available ? 1 : 0);
    EXPECT_EQ(canvas.FindText("Lattice renderer unavailable on this device.").has_value(),
              !row.available);
  }
}

}  // namespace
}  // namespace gui
