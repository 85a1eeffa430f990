// The informational checks: the display driver Windows recorded, and the optional
// Afterburner and RivaTuner installs with their logon task.
#include "afterburner/afterburner_paths.h"
#include "app/env_value.h"
#include "app/output.h"
#include "health/fixed_checks.h"
#include "health/health_rules.h"
#include "health/monitor_settings.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/task_scheduler.h"
#include "service/same_path.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/logon_tasks.h"

namespace {

constexpr wchar_t kUtilitiesGroup[] = L"Supporting Utilities";
constexpr int kLastAdapterIndex = 15;

bool IsProcessRunning(const std::wstring& image) {
  const auto names = platform::Sys().processes.ImageNames();
  if (!names) return false;
  for (const std::wstring& name : *names) {
    if (IsSamePath(name, image)) return true;
  }
  return false;
}

// An optional utility: its absence is informational, never a failure, and its presence
// says nothing about what it is doing.
void RateOptionalUtility(HealthCheck& check, bool present, const wchar_t* absent_text,
                         const wchar_t* present_text) {
  if (MarkedDisabled(check)) return;
  if (!present) {
    check.status = HealthStatus::Informational;
    check.explanation = absent_text;
    return;
  }
  check.status = HealthStatus::Passing;
  check.explanation = present_text;
  check.repairStep.clear();
}

}  // namespace

HealthCheck CheckDisplayDriver() {
  HealthCheck check =
      NewHealthCheck(L"gpu.driver", L"Graphics Drivers", L"Installed display driver", L"");
  check.expected = L"a display driver is installed; newest vendor package is not assumed";
  if (MarkedDisabled(check)) return check;
  auto& registry = platform::Sys().registry;
  for (int index = 0; index <= kLastAdapterIndex; ++index) {
    const std::wstring key = Format(L"%ls\\%04d", kDisplayClassKey, index);
    const auto version =
        registry.ReadString({platform::Hive::kLocalMachine, key, L"DriverVersion"});
    if (!version) continue;
    const auto description =
        registry.ReadString({platform::Hive::kLocalMachine, key, L"DriverDesc"});
    check.status = HealthStatus::Informational;
    check.live = description && !description->empty() ? *description + L"  " + *version : *version;
    check.explanation =
        L"This is the driver Windows has recorded. Whether a newer compatible package exists is "
        L"only known after the GPU Clean lookup, which contacts the vendor. A higher number is "
        L"not treated as automatically better.";
    return check;
  }
  check.status = HealthStatus::NeedsAttention;
  check.severity = 1;
  check.live = L"no display driver version was found in the display class";
  check.explanation =
      L"A missing version here means the adapter record could not be read. It does not by "
      L"itself prove the newest driver.";
  return check;
}

HealthCheck CheckAfterburner() {
  HealthCheck check =
      NewHealthCheck(L"util.afterburner", kUtilitiesGroup, L"MSI Afterburner", L"afterburner");
  check.expected = L"installed when you opted into the Afterburner step";
  const bool present =
      platform::Sys().files.Exists(ProgramFilesX86() + L"\\MSI Afterburner\\MSIAfterburner.exe");
  if (!present) {
    check.live = L"not installed";
  } else {
    check.live = IsProcessRunning(L"MSIAfterburner.exe") ? L"installed and running"
                                                         : L"installed, not running";
  }
  RateOptionalUtility(check, present,
                      L"Afterburner is optional. Absence is not a failure, and no overclock is "
                      L"inferred.",
                      L"The Afterburner executable is present. This does not mean a fan curve, "
                      L"voltage, or overclock profile is active.");
  return check;
}

HealthCheck CheckRivaTuner() {
  HealthCheck check =
      NewHealthCheck(L"util.rtss", kUtilitiesGroup, L"RivaTuner Statistics Server", L"afterburner");
  check.expected = L"installed alongside Afterburner when that step was used";
  const bool present =
      platform::Sys().files.Exists(ProgramFilesX86() + L"\\RivaTuner Statistics Server\\RTSS.exe");
  check.live = present ? L"RTSS.exe is present" : L"not installed";
  RateOptionalUtility(check, present,
                      L"RivaTuner is optional and is only expected after the Afterburner step.",
                      L"RTSS is installed. An overlay is not reported as active just because "
                      L"the file exists.");
  return check;
}

HealthCheck CheckAfterburnerTask() {
  HealthCheck check =
      NewHealthCheck(L"util.afterburner-task", kUtilitiesGroup, L"Afterburner logon task", L"");
  check.expected = L"logon task present only after the Afterburner step saved a profile";
  if (MarkedDisabled(check)) return check;
  const auto present = platform::Sys().task_scheduler.Exists(kAfterburnerLogonTask);
  check.status = HealthStatus::Informational;
  if (!present.ok()) {
    check.live = Format(L"the task list could not be read (0x%08X)", present.error().win32_error);
    check.explanation =
        L"Task Scheduler did not answer, so whether Afterburner starts at logon is unknown.";
  } else if (*present) {
    check.live = L"scheduled task Veltrane Afterburner exists";
    check.explanation =
        L"The task exists. That means Afterburner is scheduled at logon. It does "
        L"not prove the scanned curve is loaded.";
  } else {
    check.live = L"no Veltrane Afterburner logon task";
    check.explanation =
        L"No Veltrane logon task was found. That is informational until you run "
        L"the Afterburner step.";
  }
  return check;
}
