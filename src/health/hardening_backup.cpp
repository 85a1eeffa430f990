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

void RecordPowerValue(const support::Guid& scheme, const PowerTweak& tweak, bool ac,
                      const std::wstring& value, const std::wstring& had) {
  std::uint32_t previous = 0;
  const bool readable = ReadPowerValue(scheme, tweak.subgroup, tweak.setting, ac, previous);
  if (readable) WriteProductDword(value, previous);
  WriteProductDword(had, readable ? 1 : 0);
}

// Restores one recorded power value; true when it was written back.
bool RestorePowerValue(const support::Guid& scheme, const PowerTweak& tweak, bool ac,
                       const std::wstring& value, const std::wstring& had) {
  const auto recorded = ReadProductDword(value);
  if (ReadProductDword(had).value_or(0) == 0 || !recorded) return false;
  return WritePowerValue(scheme, tweak.subgroup, tweak.setting, ac, *recorded);
}

int RestoreSchemes() {
  int restored = 0;
  for (const support::Guid& scheme : PowerSchemesToHarden()) {
    for (const PowerArea area : {PowerArea::kProcessor, PowerArea::kStorage}) {
      for (const PowerTweak& tweak : PowerTable(area)) {
        const PowerBackupNames names = SchemeNames(area, scheme, tweak);
        restored += RestorePowerValue(scheme, tweak, true, names.ac, names.hadAc) ? 1 : 0;
        restored += RestorePowerValue(scheme, tweak, false, names.dc, names.hadDc) ? 1 : 0;
      }
    }
  }
  return restored;
}

// Start type and failure actions of one pinned service; true when something was put back.
bool RestoreService(const std::wstring& name) {
  auto& registry = platform::Sys().registry;
  const auto start = ReadProductDword(ServiceValueName(name, L"_start"));
  const auto failure = registry.ReadMultiString(ProductValue(ServiceValueName(name, kFailureSuffix)));
  if (!start && !failure) return false;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return false;
  auto service = services.Open(**manager, name,
                               platform::service_access::kChangeConfig |
                                   platform::service_access::kQueryConfig);
  if (!service) return false;
  bool restored = false;
  auto config = services.QueryConfig(**service);
  if (start && config && (*start == 2 || *start == 3)) {
    config.value().start_type = static_cast<platform::ServiceStartType>(*start);
    restored = services.ChangeConfig(**service, *config).ok();
  }
  if (failure && failure->size() > 1) {
    platform::FailureActions actions;
    actions.reset_period_s = static_cast<std::uint32_t>(std::wcstoul((*failure)[0].c_str(), nullptr, 10));
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

bool RestoreGameDvrPolicy() {
  const auto had = ReadProductDword(kGameDvrHad);
  if (!had) return false;
  auto& registry = platform::Sys().registry;
  const platform::RegPath policy{Hive::kLocalMachine, kGameDvrPolicyKey, kGameDvrPolicyValue};
  if (*had == 0) return registry.DeleteValue(policy).ok();
  const auto value = ReadProductDword(kGameDvrValue);
  return value && registry.WriteDword(policy, *value).ok();
}

}  // namespace

void RecordSchemeValueOnce(PowerArea area, const support::Guid& scheme, const PowerTweak& tweak) {
  const PowerBackupNames names = SchemeNames(area, scheme, tweak);
  if (ReadProductDword(names.hadAc)) return;
  RecordPowerValue(scheme, tweak, true, names.ac, names.hadAc);
  RecordPowerValue(scheme, tweak, false, names.dc, names.hadDc);
}

void RecordServiceOnce(const std::wstring& name, platform::ServiceHandle& service) {
  auto& services = platform::Sys().services;
  const std::wstring startName = ServiceValueName(name, L"_start");
  if (!ReadProductDword(startName)) {
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
  for (const std::uint32_t delay : actions->restart_delays_ms) text.push_back(std::to_wstring(delay));
  (void)registry.WriteMultiString(failureValue, text);
}

void RecordGameDvrPolicyOnce() {
  if (ReadProductDword(kGameDvrHad)) return;
  const auto value = ReadMachineDword(kGameDvrPolicyKey, kGameDvrPolicyValue);
  if (value) WriteProductDword(kGameDvrValue, *value);
  WriteProductDword(kGameDvrHad, value ? 1 : 0);
}

void RestoreHardening() {
  int restored = RestoreSchemes();
  for (const std::wstring& name : PinnedServiceNames()) restored += RestoreService(name) ? 1 : 0;
  restored += RestoreGameDvrPolicy() ? 1 : 0;
  if (restored > 0) PrintInfo(Format(L"Restored %d hardened setting(s).", restored));
}
