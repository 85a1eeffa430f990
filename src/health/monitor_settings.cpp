#include "health/monitor_settings.h"

#include <algorithm>
#include <optional>

#include "health/login_entry.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

using platform::Hive;
using platform::RegPath;

constexpr std::size_t kMaxFolderChars = 200;

RegPath MonitorValue(const std::wstring& name) { return {Hive::kCurrentUser, kMonitorKey, name}; }

std::optional<std::uint32_t> ReadValue(const std::wstring& name) {
  auto value = platform::Sys().registry.ReadDword(MonitorValue(name));
  if (!value) return std::nullopt;
  return *value;
}

void WriteValue(const std::wstring& name, std::uint32_t data) {
  (void)platform::Sys().registry.WriteDword(MonitorValue(name), data);
}

// The boolean values, in the record's order.
struct BoolField {
  const wchar_t* name;
  bool MonitorSettings::*field;
};
constexpr BoolField kBools[] = {
    {L"CloseToTray", &MonitorSettings::closeToTray},
    {L"StartMinimized", &MonitorSettings::startMinimized},
    {L"LaunchAtLogin", &MonitorSettings::launchAtLogin},
    {L"TrayPrompted", &MonitorSettings::trayPrompted},
    {L"StartupAsked", &MonitorSettings::startupAsked},
    {L"Notify", &MonitorSettings::notify},
    {L"Paused", &MonitorSettings::paused},
    {L"MaintainTiming", &MonitorSettings::maintainTiming},
    {L"MaintainAsked", &MonitorSettings::maintainAsked},
};

// The interval values: used on load only inside [low, high]; clamped into it on save
// (ScanHours alone is written as it stands, or 6 when not positive).
struct IntervalField {
  const wchar_t* name;
  int MonitorSettings::*field;
  int low;
  int high;
  bool clampOnSave;
};
constexpr IntervalField kIntervals[] = {
    {L"ScanHours", &MonitorSettings::scanHours, 1, 168, false},
    {L"MaintainMinutes", &MonitorSettings::maintainMinutes, 1, 180, true},
    {L"UpdateMinutes", &MonitorSettings::updateMinutes, 1, 1440, true},
    {L"NotifyMinutes", &MonitorSettings::notifyMinutes, 1, 1440, true},
};

struct FolderField {
  const wchar_t* name;
  std::wstring MonitorSettings::*field;
};
constexpr FolderField kFolders[] = {
    {L"DriverDir", &MonitorSettings::driverDir},
    {L"AfterburnerDir", &MonitorSettings::afterburnerDir},
};

int SavedInterval(const IntervalField& f, int value) {
  if (f.clampOnSave) return std::clamp(value, f.low, f.high);
  return value > 0 ? value : 6;
}

}  // namespace

bool IsAcceptableFolderValue(const std::wstring& folder) {
  if (folder.size() < 3 || folder.size() > kMaxFolderChars) return false;
  const wchar_t drive = static_cast<wchar_t>(folder[0] | 0x20);
  if (drive < L'a' || drive > L'z' || folder[1] != L':' || folder[2] != L'\\') return false;
  return std::none_of(folder.begin(), folder.end(),
                      [](wchar_t c) { return c == L'"' || c < 0x20; });
}

MonitorSettings LoadMonitorSettings() {
  MonitorSettings settings;
  for (const BoolField& f : kBools) {
    if (const auto v = ReadValue(f.name)) settings.*f.field = *v != 0;
  }
  for (const IntervalField& f : kIntervals) {
    const auto v = ReadValue(f.name);
    if (v && *v >= static_cast<std::uint32_t>(f.low) && *v <= static_cast<std::uint32_t>(f.high)) {
      settings.*f.field = static_cast<int>(*v);
    }
  }
  for (const FolderField& f : kFolders) {
    auto v = platform::Sys().registry.ReadString(MonitorValue(f.name));
    if (v && IsAcceptableFolderValue(*v)) settings.*f.field = *v;
  }
  return settings;
}

void SaveMonitorSettings(const MonitorSettings& settings) {
  for (const BoolField& f : kBools) WriteValue(f.name, settings.*f.field ? 1 : 0);
  for (const IntervalField& f : kIntervals) {
    WriteValue(f.name, static_cast<std::uint32_t>(SavedInterval(f, settings.*f.field)));
  }
  auto& registry = platform::Sys().registry;
  for (const FolderField& f : kFolders) {
    const std::wstring& folder = settings.*f.field;
    if (IsAcceptableFolderValue(folder)) {
      (void)registry.WriteString(MonitorValue(f.name), folder);
    } else {
      (void)registry.DeleteValue(MonitorValue(f.name));
    }
  }
  UpdateLoginEntry(settings.launchAtLogin);
}

void SaveStepChoices(const std::array<bool, 9>& wants) {
  for (std::size_t i = 0; i < kStepKeys.size(); ++i) {
    WriteValue(std::wstring(L"Want_") + kStepKeys[i], wants[i] ? 1 : 0);
  }
}

std::array<bool, 9> LoadStepChoices() {
  std::array<bool, 9> wants{};
  for (std::size_t i = 0; i < kStepKeys.size(); ++i) wants[i] = IsStepWanted(kStepKeys[i]);
  return wants;
}

bool IsSetupComplete() { return ReadValue(L"SetupComplete").value_or(0) == 1; }

void MarkSetupComplete() { WriteValue(L"SetupComplete", 1); }

bool IsStepWanted(const std::wstring& step) { return ReadValue(L"Want_" + step).value_or(1) != 0; }

bool IsCheckDisabled(const std::wstring& id) {
  return ReadValue(L"Disabled_" + id).value_or(0) != 0;
}

void SetCheckDisabled(const std::wstring& id, bool disabled) {
  WriteValue(L"Disabled_" + id, disabled ? 1 : 0);
}

std::uint32_t ReadDriftCount(const std::wstring& id) {
  return ReadValue(L"Drift_" + id).value_or(0);
}

void SetDriftCount(const std::wstring& id, std::uint32_t count) {
  if (count > 0) {
    WriteValue(L"Drift_" + id, count);
  } else {
    (void)platform::Sys().registry.DeleteValue(MonitorValue(L"Drift_" + id));
  }
}
