#include "tweaks/power_values.h"

#include "app/command_runner.h"
#include "app/output.h"
#include "platform/power.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kHiddenBit = 0x1;
// What a setting's Attributes value becomes when it cannot be read: shown, not hidden.
constexpr std::uint32_t kShownAttributes = 2;
constexpr wchar_t kPowerSettingsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings";

platform::PowerSource Source(bool ac) {
  return ac ? platform::PowerSource::kAc : platform::PowerSource::kDc;
}

}  // namespace

bool ReadPowerValue(const support::Guid& scheme, const support::Guid& subgroup,
                    const support::Guid& setting, bool ac, std::uint32_t& value) {
  const auto read = platform::Sys().power.ReadValueIndex(scheme, subgroup, setting, Source(ac));
  if (!read) return false;
  value = *read;
  return true;
}

bool WritePowerValue(const support::Guid& scheme, const support::Guid& subgroup,
                     const support::Guid& setting, bool ac, std::uint32_t value) {
  return platform::Sys().power.WriteValueIndex(scheme, subgroup, setting, Source(ac), value).ok();
}

bool WritePowerValueByTool(const support::Guid& subgroup, const support::Guid& setting,
                           std::uint32_t value, bool ac) {
  const std::wstring arguments =
      Format(L"/%ls SCHEME_CURRENT %ls %ls %u", ac ? L"setacvalueindex" : L"setdcvalueindex",
             support::GuidText(subgroup).c_str(), support::GuidText(setting).c_str(), value);
  return RunPowercfg(arguments) == 0;
}

void UnhidePowerSetting(const support::Guid& subgroup, const support::Guid& setting) {
  auto& sys = platform::Sys();
  (void)sys.power.WriteSettingAttributes(subgroup, setting, 0);
  const platform::RegPath attributes{
      platform::Hive::kLocalMachine,
      Format(L"%ls\\%ls\\%ls", kPowerSettingsKey, support::GuidText(subgroup).c_str(),
             support::GuidText(setting).c_str()),
      L"Attributes"};
  // A value of another type is not ours to replace.
  const auto current = sys.registry.ReadDword(attributes);
  if (current || current.error().code != support::ErrorCode::kWrongType) {
    (void)sys.registry.WriteDword(attributes,
                                  current ? (*current & ~kHiddenBit) : kShownAttributes);
  }
  (void)RunPowercfg(Format(L"/attributes %ls %ls -ATTRIB_HIDE", support::GuidText(subgroup).c_str(),
                           support::GuidText(setting).c_str()));
}

std::wstring FormatChangeLine(const PowerTweak& tweak, std::uint32_t previous, bool hadPrevious) {
  if (hadPrevious) {
    return Format(L"%u%ls  \u2192  %u%ls", previous, tweak.unit, tweak.target, tweak.unit);
  }
  return Format(L"(hidden/unread)  \u2192  %u%ls", tweak.target, tweak.unit);
}
