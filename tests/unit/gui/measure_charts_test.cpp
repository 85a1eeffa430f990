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
    // 1200 x 600: the lattice panel is the right 480 above the 196-high Candidate panel and a
    // 12 gap, so 392 high; inside its 12-DIP sides, 30-DIP top and a height less 42 it has
    // 456 x 350, so the square is 350, centred 53 to the right.
    DrawMeasurePanels(canvas, {0, 0, 1200, 600}, charts.Snapshot(), copy);
    EXPECT_TRUE(canvas.FindText(row.note)) << row.note;
    int lattices = 0;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind != DrawKind::kLattice) continue;
      ++lattices;
      EXPECT_EQ(call.id, kLiveLattice);
      EXPECT_FLOAT_EQ(call.rect.x, 785);
      EXPECT_FLOAT_EQ(call.rect.y, 30);
      EXPECT_FLOAT_EQ(call.rect.width, 350);
      EXPECT_FLOAT_EQ(call.rect.height, 350);
    }
    EXPECT_EQ(lattices, row.available ? 1 : 0);
    EXPECT_EQ(canvas.FindText("Lattice renderer unavailable on this device.").has_value(),
              !row.available);
  }
}

// The Candidate panel shows the finalist being verified once it has data, else the sweep
// candidate being measured, with the figures the ranking uses.
TEST(GuiMeasureCharts, CandidatePanelShowsTheCandidateBeingMeasured) {
  CandidateView measured;
  measured.requested = 5000;
  measured.hasData = true;
  measured.loop = {40, 0.1234, -0.0212, 0.05, 0.3, 12.5, 0};
  measured.idle = {20, 0.2, 0.3456, 0.1, 0.6, 50.0, 0};
  measured.score = 0.45678;
  CandidateView fresh;
  fresh.requested = 9970;
  struct Row {
    bool verifying, freshCandidate;
    std::vector<const char*> texts;
  };
  const Row rows[] = {
      {false,
       false,
       {"0.5000 ms  |  sweep", "+0.1234 ms", "-0.0212 ms", "0.0500 ms", "12.5%", "+0.3456 ms",
        "50.0%", "SCORE", "0.457"}},
      {true, false, {"0.5000 ms  |  verification", "0.457"}},
      {false, true, {"0.9970 ms  |  first pass"}},
  };
  for (const Row& row : rows) {
    FeedSnapshot feed;
    feed.sweep.candidates = {fresh, measured};
    feed.sweepActive = row.freshCandidate ? 0 : 1;
    if (row.verifying) {
      feed.finalists = {fresh, measured};
      feed.verifyActive = 1;
      feed.sweepActive = 0;  // the sweep's last candidate no longer counts
    }
    MeasureCharts charts;
    RecordingCanvas canvas;
    DrawMeasurePanels(canvas, {0, 0, 1200, 600}, charts.Snapshot(), feed);
    for (const char* text : row.texts) EXPECT_TRUE(canvas.FindText(text)) << text;
    EXPECT_EQ(canvas.FindText("SCORE").has_value(), !row.freshCandidate);
  }
}

// The smoothed curve runs only through candidates with data: a placeholder score between
// them breaks it instead of drawing a line along the panel's top.
TEST(GuiMeasureCharts, SweepCurveBreaksWhereCandidatesHaveNoData) {
  FeedSnapshot feed;
  feed.sweep.candidates.resize(5);
  for (int i : {0, 1, 3, 4}) {
    feed.sweep.candidates[i].hasData = true;
    feed.sweep.candidates[i].score = 0.3;
  }
  feed.sweep.smoothed = {0.2, 0.3, 1e9, 0.3, 0.2};
  MeasureCharts charts;
  RecordingCanvas canvas;
  DrawMeasurePanels(canvas, {0, 0, 1200, 600}, charts.Snapshot(), feed);
  // 1200 x 600: the flat charts share the left 708, so Sweep is {0, 306, 348, 294}.
  int segments = 0;
  for (const DrawCall& call : canvas.calls()) {
    if (call.kind != DrawKind::kPolyline || call.color != palette::kElectric) continue;
    ++segments;
    EXPECT_EQ(call.points, 2);
    EXPECT_GE(call.rect.x, 0);
    EXPECT_LE(call.rect.x + call.rect.width, 348);
    EXPECT_GT(call.rect.y, 306 + 30);  // below the panel's title and above its floor
    EXPECT_LE(call.rect.Bottom(), 600);
  }
  EXPECT_EQ(segments, 2);
}

}  // namespace
}  // namespace gui
