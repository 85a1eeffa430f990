#include "app/console_dispatch.h"

#include <memory>
#include <string_view>

#include "app/console_flows.h"
#include "app/dispatch_targets.h"
#include "app/elevation.h"
#include "app/machine_report.h"
#include "app/output.h"
#include "app/single_instance.h"
#include "app/thread_context.h"
#include "app/usage.h"
#include "health/health_self_test.h"
#include "measure/aggregate_self_test.h"
#include "platform/console.h"
#include "platform/instance_lock.h"
#include "platform/system.h"
#include "service/install.h"
#include "service/uninstall.h"

namespace {

constexpr std::size_t kLongestCloseAnswer = 8;

// The commands that change the machine; the empty command is the default flow.
bool TakesLock(std::wstring_view command) {
  constexpr std::wstring_view kLocking[] = {L"",     L"install",     L"benchmark", L"start",
                                            L"stop", L"uninstall",   L"prepare",   L"ppm",
                                            L"gpu",  L"afterburner", L"memory",    L"storage"};
  for (std::wstring_view name : kLocking) {
    if (command == name) return true;
  }
  return false;
}

int ExitCodeOf(bool succeeded) { return succeeded ? 0 : 1; }

int RunSelfTest() {
  int code = HealthRuleSelfTest();
  if (code == 0) code = AggregateSelfTest();
  if (code == 0) {
    PrintInfo(Format(L"Self-test passed."));
  } else {
    PrintError(Format(L"Self-test failed."));
  }
  return code;
}

// The steps that pause between settings take the dwell switch from --no-pause.
template <typename Step>
int RunDwellingStep(const Options& options, Step step) {
  CurrentThreadContext().dwellEnabled = !options.noPause;
  return ExitCodeOf(step());
}

// Step 5: the flow behind a command, and its result as the exit code.
int RunFlow(const Options& options) {
  const std::wstring& command = options.command;
  if (command.empty() || command == L"install") return ConsoleTuneFlow(options);
  if (command == L"uninstall") {
    if (!UninstallTimerService()) return 1;
    PrintInfo(Format(L"Uninstalled."));
    return 0;
  }
  if (command == L"start") return StartOrStopTimerService(true);
  if (command == L"stop") return StartOrStopTimerService(false);
  if (command == L"ppm") return ConsoleCpuTune(options) == 1 ? 1 : 0;
  if (command == L"gpu") return ConsoleGpuConfig(options) == 1 ? 1 : 0;
  if (command == L"afterburner") return ExitCodeOf(RunAfterburnerCommand());
  if (command == L"prepare") return RunDwellingStep(options, RunPrepareCommand);
  if (command == L"memory") return RunDwellingStep(options, RunMemoryCommand);
  if (command == L"storage") return RunDwellingStep(options, RunStorageCommand);
  if (command == L"health") return RunHealthCommand();
  if (command == L"report") return RunReportCommand();
  if (command == L"self-test") return RunSelfTest();
  PrintError(Format(L"Unknown argument: %ls (try --help)", command.c_str()));
  return 1;
}

// Step 7: a double-clicked default flow would close its console before the result could
// be read; scripts pass --no-pause.
void PauseBeforeClosing(const Options& options) {
  if (!options.command.empty() || options.noPause || !IsProcessElevated()) return;
  WriteStandardOutput(Format(L"\nPress Enter to close..."));
  (void)platform::Sys().console.ReadLine(kLongestCloseAnswer);
}

}  // namespace

int RunConsoleCommand(const Options& options, const Arguments& args) {
  const std::wstring& command = options.command;
  // Step 1: the commands that neither lock nor elevate here.
  if (command == L"help") {
    PrintUsage();
    return 0;
  }
  if (command == L"version") {
    PrintVersion();
    return 0;
  }
  if (command == L"status") return PrintTimerStatus();
  if (command == L"guard") return RunGuardCommand();
  if (command == L"apply") return HoldResolutionInConsole(options.resolution);

  // Step 2: one machine-changing operation at a time, across processes. Only an elevated
  // process can take the lock, and only an elevated one changes the machine: an unelevated
  // copy relaunches itself (the elevated copy takes the lock) or measures without stopping
  // any service or writing the data folder.
  std::unique_ptr<platform::HeldMutex> lock;
  const bool elevated = IsProcessElevated();
  if (TakesLock(command) && elevated) {
    auto held = AcquireSingleInstance();
    if (!held) {
      // Only a name that is there means another operation; anything else is its own fault.
      if (held.error().code == support::ErrorCode::kAlreadyExists) {
        PrintError(Format(L"Another Veltrane operation is already running."));
      } else {
        PrintError(Format(L"Could not create the single-instance lock (error %u).",
                          held.error().win32_error));
      }
      return 1;
    }
    lock = std::move(held).value();
  }
  // Step 3: the benchmark needs no elevation step of its own.
  if (command == L"benchmark") return BenchmarkOnlyFlow(options);
  // Step 4: a copy started some other way than through the entry point may still lack
  // administrator rights.
  if (TakesLock(command) && !elevated) {
    bool relaunched = false;
    const int code = EnsureElevated(options, args, relaunched);
    if (code != -1) return code;
  }
  // Steps 5 and 6: the flow; then the lock is released before the pause.
  const int code = RunFlow(options);
  lock.reset();
  PauseBeforeClosing(options);
  return code;
}
