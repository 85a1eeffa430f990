// The default console flow (--cli, --install): restore point, the period (given or
// measured), the service, then the tuning steps and the firmware reminder.
#include <algorithm>
#include <cstdint>
#include <string>

#include "app/console_flows.h"
#include "app/output.h"
#include "app/thread_context.h"
#include "measure/aggregate.h"
#include "measure/benchmark.h"
#include "measure/fidelity.h"
#include "measure/report.h"
#include "platform/kernel_timer.h"
#include "platform/system.h"
#include "service/install.h"
#include "service/service_control.h"
#include "service/service_values.h"
#include "service/timer_service_pause.h"
#include "tweaks/small_steps.h"

namespace {

constexpr int kInstalled = 0;
constexpr int kInstallFailed = 1;
constexpr int kBenchmarkFailed = 2;

// A step the default flow offers: asked (yes by default), then run with the dwell switch
// from --no-pause. Its outcome is its own and does not change the flow's exit code.
template <typename Step>
void OfferStep(const Options& options, const wchar_t* question, Step step) {
  if (!Confirm(options, question, true)) return;
  CurrentThreadContext().dwellEnabled = !options.noPause;
  (void)step();
}

// A requested period the kernel cannot run at is moved to the nearest one it can.
std::uint32_t ClampRequested(std::uint32_t requested) {
  const auto range = platform::Sys().kernel_timer.Query();
  if (range && requested < range->finest) {
    PrintInfo(Format(L"Requested %u is below the kernel fastest %u; clamping.", requested,
                     range->finest));
    requested = range->finest;
  } else if (range && range->coarsest != 0 && requested > range->coarsest) {
    PrintInfo(Format(L"Requested %u is above the kernel slowest %u; clamping.", requested,
                     range->coarsest));
    requested = range->coarsest;
  }
  PrintInfo(Format(L"Using requested resolution: %u (%.4f ms)", requested, Ms(requested)));
  return requested;
}

// Measures and picks the period; 0 when the run selected nothing (already reported).
std::uint32_t MeasuredResolution(const Options& options) {
  // The services stopped for the run start again before this returns, also when the run
  // failed; the install that follows stops them once more to replace them.
  TimerServicePause pause;
  const BenchmarkResult result =
      RunBenchmark(AskFidelity(options), static_cast<std::uint32_t>(QueryTimerServiceState()));
  if (result.selected == 0) {
    PrintError(result.error.empty() ? std::wstring(L"Benchmark failed; nothing was installed.")
                                    : result.error + L" Nothing was installed.");
    if (!result.csvPath.empty()) {
      PrintInfo(Format(L"Per-candidate data: %ls", result.csvPath.c_str()));
    }
    PrintInfo(Format(L"To pin a value anyway: Veltrane.exe --install --resolution <100-ns units>"));
    return 0;
  }
  const AggregateChoice choice = LowestAggregateScore(DataFolder());
  const std::uint32_t period = choice.resolution != 0 ? choice.resolution : result.selected;
  if (period != result.selected) {
    PrintInfo(
        Format(L"This run selected %.4f ms. More than one run is saved, so the timer is set "
               L"to %.4f ms, the lowest aggregate score.",
               Ms(result.selected), Ms(period)));
  }
  PrintBenchmarkSummary(result);
  WriteProductDword(L"BenchmarkBoundary", result.firstClean);
  // A machine that wakes early gives a negative median, which a DWORD cannot hold.
  WriteProductDword(L"BenchmarkMedianMicroMs",
                    static_cast<std::uint32_t>(std::max(result.loopStats.median, 0.0) * 1000.0));
  return period;
}

void PrintInstalled(std::uint32_t period) {
  PrintInfo(
      Format(L"\nInstalled. The '%ls' service (auto-start, LocalSystem) is now holding "
             L"%.4f ms and will do so at every boot.",
             kServiceName, Ms(period)));
  if (ReadMachineDword(kKernelKey, kGlobalRequestsValue) == 1u) {
    PrintInfo(
        Format(L"Note: GlobalTimerResolutionRequests is set, so this request applies "
               L"system-wide rather than only per-process once the machine has rebooted "
               L"with the flag present. The service itself is already holding the "
               L"resolution now."));
  }
  PrintInfo(Format(L"Check anytime with:  Veltrane.exe --status"));
  PrintInfo(Format(L"Remove with:          Veltrane.exe --uninstall"));
}

void PrintFirmwareReminder() {
  for (const wchar_t* line : {
           L"Restart when you are ready. Windows cannot change BIOS, so set these by hand:",
           L"  Lock the CPU multiplier. Disable Intel Turbo / EIST / Speed Shift, or AMD PBO / "
           L"Precision Boost.",
           L"  Disable deep C-states. Leave C1 if the machine will not POST without it.",
           L"  Enable XMP (Intel) or DOCP (AMD) at the RAM's rated frequency, and DRAM voltage if "
           L"the profile needs it.",
           L"  SATA/NVMe in AHCI. Enable Above 4G / Resizable BAR if you want ReBAR.",
       }) {
    PrintInfo(Format(L"%ls", line));
  }
}

}  // namespace

int ConsoleTuneFlow(const Options& options) {
  // Step 1: the restore point comes first so everything after it can be rolled back.
  if (!options.noPrepare) {
    OfferStep(options, L"Create a System Restore point before tuning?",
              [] { return ApplyPrepare(); });
  }
  // Step 2: the period, given or measured.
  std::uint32_t period = 0;
  if (options.resolution != 0) {
    period = ClampRequested(options.resolution);
  } else {
    period = MeasuredResolution(options);
    if (period == 0) return kBenchmarkFailed;
  }
  // Step 3: a period the user named is pinned; a measured one follows the aggregate.
  const bool pinned = options.resolution != 0 && !options.measured;
  if (!InstallTimerService(period, pinned)) {
    PrintError(Format(L"Install failed; see the log for details."));
    return kInstallFailed;
  }
  PrintInstalled(period);
  // Steps 5-7: the steps report their own outcome; none changes the flow's exit code.
  (void)ConsoleCpuTune(options);
  (void)ConsoleGpuConfig(options);
  (void)ConsoleAfterburner(options);
  if (!options.noMemory) {
    OfferStep(options,
              L"Apply memory tweaks (system-managed pagefile, disable memory compression)?",
              ApplyMemory);
  }
  if (!options.noStorage) {
    OfferStep(options, L"Apply storage tweaks (PCIe ASPM off, USB suspend off, TRIM, SysMain off)?",
              ApplyStorage);
  }
  // What Windows cannot change is left to the user, last, so it is what stays on screen.
  PrintFirmwareReminder();
  return kInstalled;
}
