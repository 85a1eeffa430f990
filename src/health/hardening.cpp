#include "health/hardening.h"

#include "app/command_runner.h"
#include "app/output.h"
#include "health/guard_task.h"
#include "platform/power.h"
#include "platform/services.h"
#include "platform/system.h"
#include "service/service_control.h"
#include "service/service_values.h"
#include "tweaks/backup_names.h"
#include "tweaks/compression_record.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/power_values.h"
#include "tweaks/ppm_catalogue.h"
#include "tweaks/small_step_catalogue.h"

namespace {

constexpr std::size_t kMaxSchemes = 64;
constexpr std::uint32_t kPowerShellTimeoutMs = 20000;
// Restart after 5 s, 5 s, then 60 s; the count of failures resets after a day.
constexpr std::uint32_t kResetPeriodS = 86400;

void SetTimerServiceToRecover() {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return;
  using namespace platform::service_access;
  auto service = services.Open(**manager, kServiceName, kChangeConfig | kQueryStatus | kStart);
  if (!service) return;
  (void)services.ChangeStartType(**service,
                                 static_cast<std::uint32_t>(platform::ServiceStartType::kAuto));
  // The service ends with exit code 1 when it cannot hold the period: that stop must
  // restart it too, not only a crash.
  const support::Status flagged =
      services.SetFailureActions(**service, {kResetPeriodS, {5000, 5000, 60000}, true});
  if (!flagged && flagged.error().code == support::ErrorCode::kUnsupported) {
    AppendLog(
        L"This system cannot restart the timer service after an error exit; it restarts "
        L"only after a crash.");
  }
  const support::Status started = services.Start(**service);
  if (!started && started.error().win32_error != platform::service_error::kAlreadyRunning) {
    AppendLog(L"The timer service is set to start automatically, but it did not start this time.");
  }
}

}  // namespace

std::span<const PowerTweak> PowerTable(PowerArea area) {
  return area == PowerArea::kProcessor ? PpmCatalogue() : StoragePowerCatalogue();
}

platform::PowerSchemeList PowerSchemesToHarden() {
  platform::PowerSchemeList list = platform::Sys().power.EnumerateSchemes();
  if (list.schemes.size() > kMaxSchemes) list.schemes.resize(kMaxSchemes);
  return list;
}

bool WritePowerTableEverywhere(PowerArea area) {
  const platform::PowerSchemeList list = PowerSchemesToHarden();
  if (list.schemes.empty()) {
    AppendLog(L"The power plans could not be listed, so no power setting was hardened.");
    return false;
  }
  // The plans listed before a failure are still hardened; the guard tries the rest again.
  if (!list.complete) {
    AppendLog(L"Only " + std::to_wstring(list.schemes.size()) +
              L" power plans could be listed; the settings were hardened on those.");
  }
  for (const support::Guid& scheme : list.schemes) {
    for (const PowerTweak& tweak : PowerTable(area)) {
      if (!RecordSchemeValueOnce(area, scheme, tweak)) continue;
      (void)WritePowerValue(scheme, tweak.subgroup, tweak.setting, true, tweak.target);
      (void)WritePowerValue(scheme, tweak.subgroup, tweak.setting, false, tweak.target);
    }
  }
  return list.complete.ok();
}

void LockGraphics() {
  for (const GraphicsTweak& row : GpuCatalogue()) {
    if (row.kind == kGraphicsService) PinServiceDisabled(row.serviceName);
  }
  if (RecordGameDvrPolicyOnce()) WriteMachineDword(kGameDvrPolicyKey, kGameDvrPolicyValue, 0);
}

void DisableMemoryCompression() {
  (void)RunPowerShell(L"Disable-MMAgent -MemoryCompression -ErrorAction SilentlyContinue; exit 0",
                      kPowerShellTimeoutMs);
}

void HardenTimer() {
  SetTimerServiceToRecover();
  WriteProductDword(kGuardTimer, 1);
  CreateGuardTask();
  AppendLog(L"Timer service hardened: automatic start, restart if it stops, and a startup guard.");
}

void HardenPowerSettings(PowerArea area) {
  const bool written = WritePowerTableEverywhere(area);
  const bool storage = area == PowerArea::kStorage;
  if (storage) PinServiceDisabled(L"SysMain");
  WriteProductDword(storage ? kGuardStorage : kGuardPpm, 1);
  CreateGuardTask();
  // Only what was done is reported: without the plans, SysMain and the guard flag remain.
  if (!written) return;
  AppendLog(storage ? L"Storage settings hardened on every power plan. SysMain stays disabled."
                    : L"CPU power settings hardened on every power plan so a plan change cannot "
                      L"restore the defaults.");
}

void HardenGraphics() {
  LockGraphics();
  WriteProductDword(kGuardGpu, 1);
  CreateGuardTask();
  AppendLog(
      L"Graphics services that should stay off are pinned disabled, and Game DVR policy is "
      L"locked off.");
}

void HardenMemory() {
  // Uninstall turns compression back on only from this record; the Memory step may have
  // made it already, from the state before either touched it.
  if (!RecordCompressionOnce(QueryCompression())) {
    AppendLog(
        L"Memory compression was left as it is: its state before Veltrane could not be "
        L"recorded.");
    return;
  }
  DisableMemoryCompression();
  WriteProductDword(kGuardMemory, 1);
  CreateGuardTask();
  AppendLog(L"Memory compression is set to stay off, including from the startup guard.");
}

void HardenStep(const std::wstring& repairKey) {
  if (repairKey == L"timer") {
    HardenTimer();
  } else if (repairKey == L"ppm") {
    HardenPowerSettings(PowerArea::kProcessor);
  } else if (repairKey == L"storage") {
    HardenPowerSettings(PowerArea::kStorage);
  } else if (repairKey == L"gpu") {
    HardenGraphics();
  } else if (repairKey == L"memory") {
    HardenMemory();
  }
}
