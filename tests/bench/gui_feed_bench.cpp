// The GUI feed on the measurement's hot path: a sample must cost no more than the engine's
// own per-sample work, and the window's snapshot must not hold the mutex long.
#include <benchmark/benchmark.h>

#include <chrono>

#include "gui/shared_state.h"

namespace {

void BM_SharedStateAddSample(benchmark::State& state) {
  gui::SharedState feed;
  std::uint32_t i = 0;
  for (auto _ : state) {
    feed.AddSample(5000 + (i & 7), 0.25, (i & 1) != 0);
    ++i;
  }
}
BENCHMARK(BM_SharedStateAddSample);

// A full ring and a changed text field: the worst copy a frame can make under the mutex.
void BM_SharedStateSnapshotFullRing(benchmark::State& state) {
  gui::SharedState feed;
  for (int i = 0; i < 40; ++i) feed.AddLine(L"a line of output from the step");
  gui::FeedSnapshot snap;
  snap.newSamples.reserve(gui::kSampleRing);
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < gui::kSampleRing; ++i) feed.AddSample(5000, 0.25, false);
    feed.ShowStatus(L"MEASURE", L"pass 2 of 3");
    state.ResumeTiming();
    feed.Snapshot(snap);
    benchmark::DoNotOptimize(snap.newSamples.data());
  }
}
BENCHMARK(BM_SharedStateSnapshotFullRing)->Unit(benchmark::kMicrosecond);

}  // namespace
