#include "health/hardening_backup.h"

#include <optional>
#include <span>
#include <vector>

#include "app/output.h"
#include "health/hardening.h"
#include "platform/power.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_values.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/power_values.h"

namespace {

using platform::Hive;

constexpr wchar_t kGameDvrHad[] = L"GuardGameDvr_had";
constexpr wchar_t kGameDvrValue[] = L"GuardGameDvr";
constexpr wchar_t kFailureSuffix[] = L"_failure";

platform::RegPath ProductValue(const std::wstring& name) {
  return {Hive::kLocalMachine, kProductKey, name};
}

PowerBackupNames SchemeNames(PowerArea area, const support::Guid& scheme, const PowerTweak& tweak) {
  const std::wstring prefix =
      (area == PowerArea::kProcessor ? L"GuardPpm_" : L"GuardPwr_") + support::GuidText(scheme);
  return PowerBackupNamesFor(prefix.c_str(), tweak.id);
}

std::wstring ServiceValueName(const std::wstring& name, const wchar_t* suffix) {
  return L"GuardSvc_" + name + suffix;
}

// Records one power value, the value before its had flag, both checked. A value that
// cannot be read is not recorded at all: "had none" would let the hardening overwrite it
// with nothing to bring it back.
bool RecordPowerValue(const support::Guid& scheme, const PowerTweak& tweak, bool ac,
                      const std::wstring& value, const std::wstring& had) {
  std::uint32_t previous = 0;
  if (!ReadPowerValue(scheme, tweak.subgroup, tweak.setting, ac, previous)) return false;
  return WriteBackupDword(value, previous) && WriteBackupDword(had, 1);
}

enum class Restore { kNothing, kRestored, kFailed };

Restore Outcome(bool wrote) { return wrote ? Restore::kRestored : Restore::kFailed; }

// Restores one recorded power value. A record that cannot be read is a failure, so the
// product key and the record stay for a later uninstall.
Restore RestorePowerValue(const support::Guid& scheme, const PowerTweak& tweak, bool ac,
                          const std::wstring& value, const std::wstring& had) {
  const auto hadRecord = ReadRecordDword(had);
  const auto recorded = ReadRecordDword(value);
  if (!hadRecord || !recorded) return Restore::kFailed;
  if (hadRecord->value_or(0) == 0 || !*recorded) return Restore::kNothing;
  return Outcome(WritePowerValue(scheme, tweak.subgroup, tweak.setting, ac, **recorded));
}

// True when the record `had` exists; false when it does not; none when it cannot be read,
// and nothing may then be recorded over what may be there.
std::optional<bool> HasRecord(const std::wstring& had) {
  const auto read = ReadRecordDword(had);
  if (!read) return std::nullopt;
  return read->has_value();
}

// Adds one outcome to the counts of restored and failed records.
void Count(Restore outcome, int& restored, int& failed) {
  if (outcome == Restore::kRestored) ++restored;
  if (outcome == Restore::kFailed) ++failed;
}

void RestoreSchemes(int& restored, int& failed) {
  const platform::PowerSchemeList list = PowerSchemesToHarden();
  // A list that stopped part-way, even before its first plan, may hide schemes with
  // records: they stay for a later uninstall. Without the plan calls (as under Wine) nothing
  // was ever recorded.
  if (!list.complete && list.complete.error().code != support::ErrorCode::kUnsupported) ++failed;
  for (const support::Guid& scheme : list.schemes) {
    for (const PowerArea area : {PowerArea::kProcessor, PowerArea::kStorage}) {
      for (const PowerTweak& tweak : PowerTable(area)) {
        const PowerBackupNames names = SchemeNames(area, scheme, tweak);
        Count(RestorePowerValue(scheme, tweak, true, names.ac, names.hadAc), restored, failed);
        Count(RestorePowerValue(scheme, tweak, false, names.dc, names.hadDc), restored, failed);
      }
    }
  }
}

// Start type and failure actions of one pinned service; true when something was put back.
bool RestoreService(const std::wstring& name) {
  auto& registry = platform::Sys().registry;
  const auto start = ReadProductDword(ServiceValueName(name, L"_start"));
  const auto failure =
      registry.ReadMultiString(ProductValue(ServiceValueName(name, kFailureSuffix)));
  if (!start && !failure) return false;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return false;
  // Restart actions are refused to a handle without the start right.
  auto service = services.Open(
      **manager, name, platform::service_access::kChangeConfig | platform::service_access::kStart);
  if (!service) return false;
  bool restored = false;
  // Only a recorded automatic or manual start is put back; disabled is what the steps
  // record and restore themselves.
  if (start && (*start == 2 || *start == 3))
    restored = services.ChangeStartType(**service, *start).ok();
  if (failure && failure->size() > 1) {
    platform::FailureActions actions;
    actions.reset_period_s =
        static_cast<std::uint32_t>(std::wcstoul((*failure)[0].c_str(), nullptr, 10));
    for (std::size_t i = 1; i < failure->size(); ++i) {
      actions.restart_delays_ms.push_back(
          static_cast<std::uint32_t>(std::wcstoul((*failure)[i].c_str(), nullptr, 10)));
    }
    restored = services.SetFailureActions(**service, actions).ok() || restored;
  }
  return restored;
}

std::vector<std::wstring> PinnedServiceNames() {
  std::vector<std::wstring> names{L"SysMain"};
  for (const GraphicsTweak& row : GpuCatalogue()) {
    if (row.kind == kGraphicsService) names.emplace_back(row.serviceName);
  }
  return names;
}

platform::RegPath GameDvrPolicy() {
  return {Hive::kLocalMachine, kGameDvrPolicyKey, kGameDvrPolicyValue};
}

Restore RestoreGameDvrPolicy() {
  const auto hadRecord = ReadRecordDword(kGameDvrHad);
  if (!hadRecord) return Restore::kFailed;
  const std::optional<std::uint32_t> had = *hadRecord;
  if (!had) return Restore::kNothing;
  auto& registry = platform::Sys().registry;
  if (*had == 0) {
    // A value of another type was never the hardening's: it stays.
    const auto now = registry.ReadDword(GameDvrPolicy());
    if (!now && now.error().code == support::ErrorCode::kWrongType) return Restore::kNothing;
    const support::Status deleted = registry.DeleteValue(GameDvrPolicy());
    return Outcome(deleted.ok() || deleted.error().code == support::ErrorCode::kNotFound);
  }
  const auto value = ReadRecordDword(kGameDvrValue);
  return Outcome(value && *value && registry.WriteDword(GameDvrPolicy(), **value).ok());
}

}  // namespace

bool RecordSchemeValueOnce(PowerArea area, const support::Guid& scheme, const PowerTweak& tweak) {
  const PowerBackupNames names = SchemeNames(area, scheme, tweak);
  const auto recordOnce = [&](bool ac, const std::wstring& value, const std::wstring& had) {
    const std::optional<bool> present = HasRecord(had);
    return present && (*present || RecordPowerValue(scheme, tweak, ac, value, had));
  };
  const bool ac = recordOnce(true, names.ac, names.hadAc);
  const bool dc = recordOnce(false, names.dc, names.hadDc);
  return ac && dc;
}

void RecordServiceOnce(const std::wstring& name, platform::ServiceHandle& service) {
  auto& services = platform::Sys().services;
  const std::wstring startName = ServiceValueName(name, L"_start");
  if (HasRecord(startName) == false) {
    const auto config = services.QueryConfig(service);
    WriteProductDword(startName,
                      config ? static_cast<std::uint32_t>(config->start_type) : 0xFFFFFFFF);
  }
  const platform::RegPath failureValue = ProductValue(ServiceValueName(name, kFailureSuffix));
  auto& registry = platform::Sys().registry;
  if (registry.ReadMultiString(failureValue)) return;
  const auto actions = services.QueryFailureActions(service);
  if (!actions) return;
  std::vector<std::wstring> text{std::to_wstring(actions->reset_period_s)};
  for (const std::uint32_t delay : actions->restart_delays_ms)
    text.push_back(std::to_wstring(delay));
  (void)registry.WriteMultiString(failureValue, text);
}

bool RecordGameDvrPolicyOnce() {
  const std::optional<bool> recorded = HasRecord(kGameDvrHad);
  if (!recorded) return false;
  if (*recorded) return true;
  const auto value = platform::Sys().registry.ReadDword(GameDvrPolicy());
  if (!value && value.error().code == support::ErrorCode::kWrongType) {
    AppendLog(L"The AllowGameDVR policy has a type other than REG_DWORD; it is left as it is.");
    return false;
  }
  // Only a value that is not there may be recorded as absent.
  if (!value && value.error().code != support::ErrorCode::kNotFound) return false;
  return (!value || WriteBackupDword(kGameDvrValue, *value)) &&
         WriteBackupDword(kGameDvrHad, value ? 1 : 0);
}

bool RestoreHardening() {
  int restored = 0;
  int failed = 0;
  RestoreSchemes(restored, failed);
  for (const std::wstring& name : PinnedServiceNames()) restored += RestoreService(name) ? 1 : 0;
  Count(RestoreGameDvrPolicy(), restored, failed);
  if (restored > 0) PrintInfo(Format(L"Restored %d hardened setting(s).", restored));
  if (failed > 0) PrintError(Format(L"Could not restore %d hardened setting(s).", failed));
  return failed == 0;
}
