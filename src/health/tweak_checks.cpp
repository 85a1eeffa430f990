#include "health/tweak_checks.h"

#include <optional>
#include <span>

#include "app/output.h"
#include "health/health_rules.h"
#include "health/monitor_settings.h"
#include "platform/power.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/gpu_probe.h"
#include "tweaks/power_values.h"
#include "tweaks/ppm_catalogue.h"
#include "tweaks/small_step_catalogue.h"

namespace {

using platform::Hive;

constexpr std::uint32_t kServiceDisabled = 4;

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

// What a table's checks share: where they are listed, the step that repairs them and the
// step whose choice decides between Needs attention and Informational.
struct TableFamily {
  const wchar_t* idPrefix;
  const wchar_t* group;
  const wchar_t* repairStep;
  const wchar_t* wantedStep;
  bool classOneUnsupported;  // an unreadable class-1 entry is a setting the CPU lacks
};

constexpr TableFamily kProcessorFamily{L"power.", L"Power and Performance", L"ppm", L"cpu", true};
constexpr TableFamily kStorageFamily{L"storage.", L"Storage", L"storage", L"storage", false};
constexpr TableFamily kGraphicsFamily{L"gpu.", L"Windows Configuration", L"gpu", L"gpu", false};

HealthCheck NewTweakCheck(const TableFamily& family, const wchar_t* id, const wchar_t* title) {
  const std::wstring checkId = family.idPrefix + std::wstring(id);
  return NewHealthCheck(checkId.c_str(), family.group, title, family.repairStep);
}

RuleBInput RuleInputFor(const HealthCheck& check, const TableFamily& family) {
  RuleBInput input;
  input.disabled = IsCheckDisabled(check.id);
  input.stepWanted = IsStepWanted(family.wantedStep);
  return input;
}

bool PowerTableChecks(std::span<const PowerTweak> table, const TableFamily& family,
                      const std::optional<support::Guid>& scheme,
                      std::vector<HealthCheck>& results, const std::atomic<bool>* cancel) {
  for (const PowerTweak& tweak : table) {
    if (Cancelled(cancel)) return false;
    HealthCheck check = NewTweakCheck(family, tweak.id, tweak.title);
    std::uint32_t value = 0;
    const bool readOk =
        scheme && ReadPowerValue(*scheme, tweak.subgroup, tweak.setting, true, value);
    check.expected = Format(L"%u", tweak.target);
    check.live = readOk ? Format(L"%u", value) : L"unreadable";
    RuleBInput input = RuleInputFor(check, family);
    input.readOk = readOk;
    input.live = readOk && value == tweak.target;
    const std::wstring id = tweak.id;
    input.unsupported = family.classOneUnsupported && !readOk && id.back() == L'1';
    ApplyRuleB(check, input);
    results.push_back(std::move(check));
  }
  return true;
}

// The registry hive of a plain registry row: the per-user Game Bar and capture values are
// read where the user's own settings live.
Hive PlainRowHive(const GraphicsTweak& row) {
  const std::wstring key = row.keyPath;
  const bool perUser = key.find(L"GameBar") != std::wstring::npos ||
                       key.find(L"CurrentVersion\\GameDVR") != std::wstring::npos;
  return perUser ? Hive::kCurrentUser : Hive::kLocalMachine;
}

void AdapterRowCheck(const GraphicsTweak& row, HealthCheck& check, RuleBInput& input) {
  const std::vector<std::wstring> keys = ListAdapterKeys(row.vendor);
  if (keys.empty()) {
    check.live = L"no matching adapter";
    input.unsupported = true;
    return;
  }
  int readable = 0;
  int matching = 0;
  for (const std::wstring& key : keys) {
    const auto value = platform::Sys().registry.ReadDword({Hive::kLocalMachine, key, row.valueName});
    if (!value) continue;
    ++readable;
    if (*value == row.value) ++matching;
  }
  check.expected = Format(L"%u on every adapter", row.value);
  check.live = Format(L"%d of %d adapters match", matching, static_cast<int>(keys.size()));
  input.readOk = readable > 0;
  input.live = matching == static_cast<int>(keys.size());
}

void PlainRowCheck(const GraphicsTweak& row, HealthCheck& check, RuleBInput& input) {
  const auto value =
      platform::Sys().registry.ReadDword({PlainRowHive(row), row.keyPath, row.valueName});
  check.expected = Format(L"%u", row.value);
  check.live = value ? Format(L"%u", *value) : L"not set";
  input.readOk = value.ok();
  input.live = value && *value == row.value;
}

// An absent service meets the intent. A manager or service that cannot be read is not
// taken for an absent one: that would pass a check that read nothing.
void ServiceRowCheck(const GraphicsTweak& row, HealthCheck& check, RuleBInput& input) {
  check.expected = L"disabled or not installed";
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) {
    check.live = L"start type unreadable";
    return;
  }
  auto service = services.Open(**manager, row.serviceName, platform::service_access::kQueryConfig);
  if (!service && service.error().code == support::ErrorCode::kNotFound) {
    check.live = L"not installed";
    input.readOk = input.live = true;
    return;
  }
  const auto config = service ? services.QueryConfig(**service)
                              : support::Result<platform::ServiceConfig>(service.error());
  if (!config) {
    check.live = L"start type unreadable";
    return;
  }
  const auto start = static_cast<std::uint32_t>(config->start_type);
  check.live = Format(L"start type %u", start);
  input.readOk = true;
  input.live = start == kServiceDisabled;
}

// The driver-profile settings are read through NVIDIA's driver interface, which this
// build does not open for checks: the setting is honestly unreadable.
void ProfileRowCheck(const GraphicsTweak& row, HealthCheck& check, RuleBInput& input) {
  check.expected = Format(L"%u", row.value);
  check.live = L"NVIDIA profile could not be read";
  input.readOk = false;
}

bool GraphicsTableChecks(std::vector<HealthCheck>& results, const std::atomic<bool>* cancel) {
  const bool hasNvidia = !ListAdapterKeys(kVendorNvidia).empty();
  const bool hasAmd = !ListAdapterKeys(kVendorAmd).empty();
  for (const GraphicsTweak& row : GpuCatalogue()) {
    if ((row.vendor == kVendorNvidia && !hasNvidia) || (row.vendor == kVendorAmd && !hasAmd)) {
      continue;
    }
    if (Cancelled(cancel)) return false;
    HealthCheck check = NewTweakCheck(kGraphicsFamily, row.id, row.title);
    RuleBInput input = RuleInputFor(check, kGraphicsFamily);
    if (row.kind == kGraphicsService) {
      ServiceRowCheck(row, check, input);
    } else if (row.kind == kGraphicsProfile) {
      ProfileRowCheck(row, check, input);
    } else if (row.perAdapter) {
      AdapterRowCheck(row, check, input);
    } else {
      PlainRowCheck(row, check, input);
    }
    ApplyRuleB(check, input);
    results.push_back(std::move(check));
  }
  return true;
}

}  // namespace

bool AppendTweakChecks(std::vector<HealthCheck>& results, const std::atomic<bool>* cancel) {
  std::optional<support::Guid> scheme;
  if (auto active = platform::Sys().power.ActiveScheme()) scheme = *active;
  return PowerTableChecks(PpmCatalogue(), kProcessorFamily, scheme, results, cancel) &&
         PowerTableChecks(StoragePowerCatalogue(), kStorageFamily, scheme, results, cancel) &&
         GraphicsTableChecks(results, cancel);
}
