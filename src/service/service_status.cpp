// --status, --start and --stop.
#include "app/output.h"
#include "platform/kernel_timer.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/install.h"
#include "service/service_control.h"
#include "service/service_values.h"
#include "tweaks/cpu_probe.h"
#include "tweaks/gpu_probe.h"

namespace {

std::wstring GlobalRequestsText() {
  const auto value = ReadMachineDword(kKernelKey, kGlobalRequestsValue);
  if (!value) return L"<not set> (per-process only)";
  return *value != 0 ? L"1 (system-wide requests)" : L"0 (per-process only)";
}

void PrintServiceLine() {
  switch (QueryTimerServiceState()) {
    case ServiceState::NotInstalled:
      PrintInfo(Format(L"Service: not installed. Run Veltrane.exe to benchmark and install it."));
      return;
    case ServiceState::Running: {
      const std::uint32_t desired = ReadProductDword(kDesiredResolution).value_or(0);
      const std::uint32_t applied = ReadProductDword(kAppliedResolution).value_or(0);
      const wchar_t* suffix = L"";
      if (desired != 0 && applied != 0 && applied < desired) {
        suffix = L" (another process asks for finer)";
      } else if (desired != 0 && applied != 0 && applied > desired) {
        suffix = L" (request NOT honoured)";
      }
      PrintInfo(
          Format(L"Service: RUNNING (auto-start, LocalSystem), requesting %.4f ms; kernel "
                 L"reports %.4f ms%ls",
                 Ms(desired), Ms(applied), suffix));
      return;
    }
    case ServiceState::Stopped:
      PrintInfo(Format(L"Service: installed but not running (see --start)."));
      return;
  }
}

std::wstring InstalledPathText() {
  auto path = platform::Sys().registry.ReadString(
      {platform::Hive::kLocalMachine, kProductKey, kInstallPathValue});
  return path ? *path : InstalledExePath();
}

}  // namespace

int PrintTimerStatus() {
  // An unreadable timer gets no line rather than a line of zeros.
  if (const auto range = platform::Sys().kernel_timer.Query()) {
    PrintInfo(Format(L"Current timer resolution: %.4f ms (kernel range %.4f-%.4f ms)",
                     Ms(range->current), Ms(range->finest), Ms(range->coarsest)));
  }
  PrintInfo(Format(L"GlobalTimerResolutionRequests: %ls", GlobalRequestsText().c_str()));
  PrintServiceLine();
  if (const auto desired = ReadProductDword(kDesiredResolution)) {
    PrintInfo(Format(L"Configured resolution: %u (%.4f ms) at %ls", *desired, Ms(*desired),
                     InstalledPathText().c_str()));
  }
  const gui::CpuProbeView cpu = ProbeCpu();
  if (!cpu.ppmApplied) {
    PrintInfo(Format(L"PPM tweaks: not applied (%ls)", cpu.reason.c_str()));
  } else {
    PrintInfo(
        Format(L"PPM tweaks: applied (PERFCHECK %u ms, core parking off, idle thresholds "
               L"95%%)",
               cpu.perfCheckMs));
  }
  const gui::GpuProbeView gpu = ProbeGpu();
  if (!gpu.gpuApplied) {
    PrintInfo(Format(L"GPU tweaks: not applied (%ls)", gpu.summary.c_str()));
  } else {
    PrintInfo(Format(L"GPU tweaks: applied (HAGS, overlays, NVIDIA/AMD driver profile)"));
  }
  return 0;
}

int StartOrStopTimerService(bool start) {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) {
    PrintError(Format(L"OpenSCManager failed."));
    return 1;
  }
  namespace access = platform::service_access;
  auto service =
      services.Open(**manager, kServiceName, access::kStart | access::kStop | access::kQueryStatus);
  if (!service) {
    if (service.error().code == support::ErrorCode::kNotFound) {
      PrintError(Format(L"Service is not installed."));
    } else {
      PrintError(Format(L"OpenService failed (error %u).", service.error().win32_error));
    }
    return 1;
  }
  bool ok = false;
  if (start) {
    const support::Status started = services.Start(**service);
    ok = (started || started.error().win32_error == platform::service_error::kAlreadyRunning) &&
         WaitForServiceState(**service, platform::ServiceRunState::kRunning, kServiceWaitMs);
    PrintInfo(Format(ok ? L"Service started." : L"Service failed to start."));
  } else {
    const bool current_stopped = StopServiceByName(kServiceName);
    const bool legacy_stopped = StopServiceByName(kLegacyServiceName);
    ok = current_stopped && legacy_stopped;
    PrintInfo(Format(ok ? L"Service stopped." : L"Service did not stop cleanly."));
  }
  return ok ? 0 : 1;
}
