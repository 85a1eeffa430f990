// The console wrappers of the tuning steps: --apply-ppm and --apply-gpu with their
// questions, and the single-step commands --apply-prepare, --apply-memory, --apply-storage.
#include "app/console_flows.h"
#include "app/dispatch_targets.h"
#include "app/output.h"
#include "app/thread_context.h"
#include "tweaks/cpu_probe.h"
#include "tweaks/cpu_tune.h"
#include "tweaks/gpu_config.h"
#include "tweaks/gpu_probe.h"
#include "tweaks/small_steps.h"

namespace {

constexpr int kApplied = 0;
constexpr int kStepFailed = 1;
constexpr int kSkipped = 2;

bool DecideCpuTune(const Options& options, std::uint32_t cpuClass) {
  if (options.forcePpm) return true;
  if (options.assumeYes) return cpuClass == kCpuLocked;
  switch (cpuClass) {
    case kCpuLocked:
      return Confirm(options,
                     L"This CPU looks like a locked/static frequency. Apply PPM tweaks (PERFCHECK "
                     L"5000 ms, disable core parking, idle thresholds 95%) to cut periodic "
                     L"power-management DPCs?",
                     true);
    case kCpuDynamic:
      return Confirm(options,
                     L"This CPU uses dynamic boost. The 5000 ms PPM interval is meant for "
                     L"locked-multiplier CPUs and can delay turbo. Apply anyway?",
                     false);
    default:
      return Confirm(options,
                     L"Could not tell whether the multiplier is locked. Apply PPM tweaks anyway "
                     L"(safe to revert with --uninstall)?",
                     false);
  }
}

void SetDwell(const Options& options) { CurrentThreadContext().dwellEnabled = !options.noPause; }

}  // namespace

int ConsoleCpuTune(const Options& options) {
  if (options.noPpm) {
    PrintInfo(Format(L"Skipping PPM tweaks (--no-ppm)."));
    return kSkipped;
  }
  const gui::CpuProbeView probe = ProbeCpu();
  PrintCpuProbe(probe);
  if (probe.ppmApplied) {
    PrintInfo(
        Format(L"PPM tweaks were applied on a previous run; writing them again to harden "
               L"and verify."));
  }
  if (!DecideCpuTune(options, probe.cpuClass)) {
    PrintInfo(
        Format(L"PPM tweaks not applied. Re-run with --apply-ppm after locking the "
               L"multiplier in BIOS, or pass --ppm to force them."));
    return kApplied;
  }
  SetDwell(options);
  PrintInfo(
      Format(L"Applying processor power-management tweaks (from Tessaline, for "
             L"static-frequency CPUs)."));
  PrintInfo(Format(L"--no-pause skips the per-setting dwells."));
  return ApplyCpuTune() ? kApplied : kStepFailed;
}

int ConsoleGpuConfig(const Options& options) {
  if (options.noGpu) {
    PrintInfo(Format(L"Skipping GPU tweaks (--no-gpu)."));
    return kSkipped;
  }
  const gui::GpuProbeView probe = ProbeGpu();
  PrintGpuProbe(probe);
  if (probe.gpuApplied) {
    PrintInfo(
        Format(L"GPU tweaks were applied on a previous run; writing them again to harden "
               L"and verify."));
  }
  if (!options.forceGpu && !options.assumeYes &&
      !Confirm(options,
               L"Apply GPU driver optimization (HAGS, overlays off, NVIDIA/AMD control-panel "
               L"equivalents: max performance, VSync off, low latency, ReBAR, P2 off)?",
               true)) {
    PrintInfo(
        Format(L"GPU tweaks not applied. Re-run with --apply-gpu, or pass --gpu to force "
               L"them."));
    return kApplied;
  }
  SetDwell(options);
  PrintInfo(
      Format(L"Applying GPU driver optimization tweaks. Each change is explained before it "
             L"is written."));
  return ApplyGpuConfig() ? kApplied : kStepFailed;
}

// The command exists to make a restore point: without one it has failed.
bool RunPrepareCommand() {
  bool restorePointMade = false;
  return ApplyPrepare(restorePointMade) && restorePointMade;
}

bool RunMemoryCommand() { return ApplyMemory(); }
bool RunStorageCommand() { return ApplyStorage(); }
