// The chart data's two paths: the measurement thread's AddSample, which sits between two
// timed sleeps, and the window's once-a-frame copy, which should move only what changed.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

#include "gui/chart_data.h"

namespace {

// Bytes the allocator hands out; unchanged across a loop that allocates nothing it keeps.
double HeapInUse() { return static_cast<double>(mallinfo2().uordblks); }

void BM_ChartAddSample(benchmark::State& state) {
  auto data = std::make_unique<gui::ChartData>();
  std::uint32_t i = 0;
  const double before = HeapInUse();
  for (auto _ : state) {
    data->AddSample(5000 + (i & 7) * 500, (i % 97) * 0.013, (i & 3) == 0, i * 1e-3);
    ++i;
  }
  state.counters["heap_growth_bytes"] = HeapInUse() - before;
}
BENCHMARK(BM_ChartAddSample);

// A frame at 60 Hz during a fast sweep sees a few dozen new samples.
void BM_ChartCopyDelta(benchmark::State& state) {
  auto data = std::make_unique<gui::ChartData>();
  auto snapshot = std::make_unique<gui::ChartSnapshot>();
  for (int i = 0; i < gui::kRingSize; ++i) data->AddSample(5000, (i % 97) * 0.013, false, i);
  data->CopyInto(*snapshot);
  std::uint32_t i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (int k = 0; k < state.range(0); ++k, ++i) {
      data->AddSample(5000 + (i & 7) * 500, (i % 97) * 0.013, (i & 3) == 0, i);
    }
    state.ResumeTiming();
    data->CopyInto(*snapshot);
  }
}
BENCHMARK(BM_ChartCopyDelta)->Arg(64);

// What every frame would cost if it copied everything: the bound the delta copy beats.
void BM_ChartCopyFull(benchmark::State& state) {
  auto data = std::make_unique<gui::ChartData>();
  for (int i = 0; i < gui::kRingSize; ++i) data->AddSample(5000, (i % 97) * 0.013, false, i);
  for (auto _ : state) {
    auto snapshot = std::make_unique<gui::ChartSnapshot>();
    data->CopyInto(*snapshot);
    benchmark::DoNotOptimize(snapshot->cells[0]);
  }
}
BENCHMARK(BM_ChartCopyFull);

}  // namespace
