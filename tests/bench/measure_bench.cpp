// Hot paths of the measurement engine: the per-sample feed call, the statistics of one
// pattern, the aggregate fold and load over many run files, and the engine's own CPU
// time against the virtual sleep time it measures.
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "app/feed.h"
#include "measure/aggregate.h"
#include "measure/benchmark.h"
#include "measure/candidate.h"
#include "measure/fidelity.h"
#include "measure/run_csv.h"
#include "measure/sample_stats.h"
#include "platform/sim/sim_machine.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};

}  // namespace

// Every allocation of the process is counted, so a benchmark can show that its loop
// allocates nothing.
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A feed with fixed storage, the way the GUI's is built: a mutex and a ring per pattern.
class FixedFeed final : public gui::Feed {
 public:
  void ShowSystem(const gui::SystemView&) override {}
  void ShowStatus(const std::wstring&, const std::wstring&) override {}
  void SetProgress(double, double, double) override {}
  void AddLine(const std::wstring&) override {}
  void ShowBaseline(const gui::PatternView&, std::uint32_t) override {}
  void AddSample(std::uint32_t requested, double overshootMs, bool afterIdle) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Ring& ring = afterIdle ? idle_ : loop_;
    ring.values[ring.next] = overshootMs;
    ring.next = (ring.next + 1) % ring.values.size();
    last_requested_ = requested;
    ++count_;
  }
  void ShowSweep(const gui::SweepView&, std::int32_t) override {}
  void ShowVerify(const std::vector<gui::CandidateView>&, std::int32_t, std::uint32_t) override {}
  void ShowItem(const std::wstring&, const std::wstring&) override {}
  void SetRows(const std::vector<TweakRow>&) override {}
  bool IsCancelled() override { return cancelled_.load(std::memory_order_relaxed); }

 private:
  struct Ring {
    std::array<double, 4096> values{};
    std::size_t next = 0;
  };
  std::mutex mutex_;
  Ring loop_, idle_;
  std::uint32_t last_requested_ = 0;
  std::uint64_t count_ = 0;
  std::atomic<bool> cancelled_{false};
};

void BM_AddSampleThroughFeed(benchmark::State& state) {
  FixedFeed fixed;
  BindThreadFeed(&fixed);
  double overshoot = 0.01;
  const std::uint64_t allocations_before = g_allocations.load();
  for (auto _ : state) {
    // As the sampler does it: the thread's feed, then the virtual call.
    CurrentFeed()->AddSample(5070, overshoot, false);
    overshoot += 1e-9;
  }
  state.counters["allocations"] = static_cast<double>(g_allocations.load() - allocations_before);
  UnbindThreadFeed();
}
BENCHMARK(BM_AddSampleThroughFeed);

void BM_ComputeStats1500(benchmark::State& state) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(0.0, 0.02);
  std::vector<double> samples(1500);
  for (double& v : samples) v = 0.03 + jitter(random) + (random() % 100 == 0 ? 0.5 : 0);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeStats(samples, 5070, 0.2, 750));
  }
}
BENCHMARK(BM_ComputeStats1500)->Unit(benchmark::kMicrosecond);

// 1,000 run files of the default grid (101 sweep rows, 6 verify rows) in the data folder.
class RunFolder {
 public:
  explicit RunFolder(int files) {
    Candidate c = NewCandidate(5000);
    c.actual = 5000;
    for (int i = 0; i < 150; ++i) c.loopSamples.push_back(0.01 * (i % 7));
    for (int i = 0; i < 75; ++i) c.idleSamples.push_back(0.01 * (i % 5));
    std::vector<Candidate> sweep, verify;
    for (std::uint32_t k = 0; k <= 100; ++k) {
      c.requested = c.actual = 5000 + 10 * k;
      Rescore(c, 0.5, 150);
      sweep.push_back(c);
      if (k >= 5 && k < 11) verify.push_back(c);
    }
    for (int i = 0; i < files; ++i) {
      wchar_t name[64];
      std::swprintf(name, 64, L"\\benchmark-2024%04d-120000.csv", i);
      WriteRunCsv(folder + name, sweep, verify);
    }
  }
  platform::SimMachine machine;
  platform::ScopedSystem guard{machine.system()};
  const std::wstring folder = L"C:\\ProgramData\\Veltrane";
};

void BM_FoldAndLoadWith1000RunFiles(benchmark::State& state) {
  RunFolder runs(1000);
  const bool rebuild = state.range(0) != 0;
  std::vector<RunRow> rows(107);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].requested = 5000 + 10 * static_cast<std::uint32_t>(i % 101);
    rows[i].loop_n = 150;
    rows[i].idle_n = 75;
    rows[i].score = 0.02;
  }
  for (auto _ : state) {
    if (rebuild) {  // the worst case: every run file is folded again
      state.PauseTiming();
      (void)runs.machine.files.Delete(runs.folder + L"\\aggregate-master.csv");
      state.ResumeTiming();
    }
    FoldRunIntoAggregate(runs.folder, rows);
    benchmark::DoNotOptimize(LoadAggregateView(runs.folder));
  }
}
BENCHMARK(BM_FoldAndLoadWith1000RunFiles)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("rebuild")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// A whole Medium run on the sim: CPU time of the process (engine and sim together, so an
// upper bound for the engine) over the virtual time the run slept.
void BM_EngineCpuShareOfSleepTime(benchmark::State& state) {
  double cpu = 0, virtual_seconds = 0;
  for (auto _ : state) {
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    const FidelityPlan plan = FidelityPlanFor(Fidelity::Medium);
    SweepConfig config;
    config.samples = plan.samples;
    config.passes = plan.passes;
    config.verifyCount = plan.verifyCount;
    const std::int64_t start_counts = machine.clock.PerformanceCounter();
    const double start_cpu = ProcessCpuSeconds();
    benchmark::DoNotOptimize(RunSweep(config));
    cpu += ProcessCpuSeconds() - start_cpu;
    virtual_seconds += static_cast<double>(machine.clock.PerformanceCounter() - start_counts) /
                       platform::SimClock::kFrequency;
  }
  state.counters["cpu_share_pct"] = cpu / virtual_seconds * 100;
  state.counters["virtual_s_per_run"] = virtual_seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EngineCpuShareOfSleepTime)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
