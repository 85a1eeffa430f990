// The Measure screen's drawing cost on the canvas side, with every chart full: a whole
// sample ring, a sweep of 101 candidates and six finalists. The recording canvas stands in
// for Direct2D, so this is the screen code's own share of a frame.
#include <benchmark/benchmark.h>

#include <memory>

#include "gui/chart_data.h"
#include "gui/measure_charts.h"
#include "gui/recording_canvas.h"

namespace {

gui::CandidateView Candidate(std::uint32_t requested, double score) {
  gui::CandidateView c;
  c.requested = requested;
  c.hasData = true;
  c.score = score;
  c.loop.mean = c.loop.median = score * 0.9;
  c.idle.mean = score * 1.1;
  c.clean = true;
  return c;
}

void BM_DrawMeasurePanelsFull(benchmark::State& state) {
  auto data = std::make_unique<gui::ChartData>();
  gui::FeedSnapshot feed;
  for (std::uint32_t i = 0; i < 101; ++i) {
    feed.sweep.candidates.push_back(Candidate(5000 + 50 * i, 0.02 + (i % 13) * 0.01));
  }
  feed.sweepActive = 40;
  for (std::uint32_t i = 0; i < 6; ++i) feed.finalists.push_back(feed.sweep.candidates[i * 7]);
  feed.verifyActive = 2;
  data->PublishSweep(3, feed.sweep.candidates);
  data->PublishVerify(feed.finalists);
  for (int i = 0; i < gui::kRingSize; ++i) {
    data->AddSample(5000 + 50 * (i % 101), (i % 97) * 0.013, (i & 3) == 0, i * 1e-3);
  }
  auto snapshot = std::make_unique<gui::ChartSnapshot>();
  data->CopyInto(*snapshot);
  gui::RecordingCanvas canvas;
  for (auto _ : state) {
    canvas.Clear();
    gui::DrawMeasurePanels(canvas, {16, 222, 1308, 560}, *snapshot, feed);
    benchmark::DoNotOptimize(canvas.calls().data());
  }
  state.counters["draw_calls"] = static_cast<double>(canvas.calls().size());
}
BENCHMARK(BM_DrawMeasurePanelsFull)->Unit(benchmark::kMicrosecond);

}  // namespace
