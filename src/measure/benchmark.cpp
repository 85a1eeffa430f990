#include "measure/benchmark.h"

#include "app/output.h"
#include "measure/fidelity.h"

BenchmarkResult RunBenchmark(const Options& options, std::uint32_t serviceState) {
  // Step 2: what is measured, and how.
  PrintInfo(
      L"\nBenchmarking Sleep(1) response across timer resolutions. Each candidate is "
      L"requested with NtSetTimerResolution, Sleep(1) is timed with "
      L"QueryPerformanceCounter, then the request is released. A sample 'misses a tick' "
      L"when it sleeps at least half a tick longer than the candidate's typical value "
      L"(e.g. 1.5 ms instead of 1.0 ms).");
  // Step 3: the fidelity plan fills what the user did not set.
  const FidelityPlan plan = FidelityPlanFor(options.fidelity);
  SweepConfig config;
  config.sweepFrom = options.sweepFrom;
  config.sweepTo = options.sweepTo;
  config.step = options.step;
  config.margin = options.margin;
  config.marginSet = options.marginSet;
  config.samples = options.samplesSet ? options.samples : plan.samples;
  config.passes = options.passesSet ? options.passes : plan.passes;
  config.verifyCount = options.verifySet ? options.verifyCount : plan.verifyCount;
  config.serviceState = serviceState;
  return RunSweep(config);
}
