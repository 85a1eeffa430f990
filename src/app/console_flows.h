// The console tuning flows and step wrappers. Each returns the process exit code.
#pragma once

#include "app/options.h"

// Default flow (--cli, --install): 0 installed, 1 install failed, 2 benchmark failed.
int ConsoleTuneFlow(const Options& options);
// --benchmark: 0 when a period was selected, else 1.
int BenchmarkOnlyFlow(const Options& options);
// 0 applied or declined, 1 the step failed, 2 skipped by its --no-* switch.
int ConsoleCpuTune(const Options& options);
int ConsoleGpuConfig(const Options& options);
// 0 done, 1 failed, 2 skipped or declined.
int ConsoleAfterburner(const Options& options);
