#include "app/console_flows.h"
#include "app/output.h"
#include "measure/benchmark.h"
#include "measure/fidelity.h"
#include "measure/report.h"
#include "service/service_control.h"
#include "service/timer_service_pause.h"

int BenchmarkOnlyFlow(const Options& options) {
  // Step 1: measure; the services that run are stopped for the run, and started again
  // when `pause` ends, whatever the run gave.
  TimerServicePause pause;
  const BenchmarkResult result =
      RunBenchmark(AskFidelity(options), static_cast<std::uint32_t>(QueryTimerServiceState()));
  int exit_code = 0;
  // Step 2: report the selection, or the failure and where the data went.
  if (result.selected != 0) {
    PrintBenchmarkSummary(result);
    const std::uint32_t period = result.timerToSet != 0 ? result.timerToSet : result.selected;
    if (pause.StoppedAny() && result.aggregateUsed) {
      PrintInfo(
          Format(L"\nThe service is starting again at %.4f ms, the lowest aggregate score across "
                 L"saved runs.",
                 period / 10000.0));
    } else {
      PrintInfo(
          Format(L"\nNothing was changed. Run with no arguments (or --install) to hold "
                 L"%.4f ms permanently via the startup service.",
                 period / 10000.0));
    }
  } else {
    PrintError(result.error.empty() ? std::wstring(L"Benchmark failed.") : result.error);
    if (!result.csvPath.empty()) {
      PrintInfo(Format(L"Per-candidate data: %ls", result.csvPath.c_str()));
    }
    exit_code = 1;
  }
  // Step 3: the machine gets back exactly the services it had.
  (void)pause.Resume();
  return exit_code;
}
