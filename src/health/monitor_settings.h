// The per-user monitor settings under HKCU\Software\Veltrane\Monitor: the GUI's tray and
// scan choices, the step choices, the per-check switches and the drift counters. Every
// value there is the user's to write, so each one is range-checked on the way in.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr wchar_t kMonitorKey[] = L"Software\\Veltrane\\Monitor";

struct MonitorSettings {
  bool closeToTray = true;
  bool startMinimized = true;
  bool launchAtLogin = true;
  bool trayPrompted = false;
  bool startupAsked = false;
  bool notify = true;
  bool paused = false;
  bool maintainTiming = false;
  bool maintainAsked = false;
  int scanHours = 6;
  int maintainMinutes = 1;
  int updateMinutes = 1;
  int notifyMinutes = 30;
  std::wstring driverDir;
  std::wstring afterburnerDir;
};

// Defaults where a value is missing or out of range.
MonitorSettings LoadMonitorSettings();
// Writes every value (clamped), then the sign-in entry from launchAtLogin.
void SaveMonitorSettings(const MonitorSettings& settings);

// A folder value the settings keep: an absolute drive path ("D:\\Drivers") of at most
// 200 characters, without double quotes or control characters.
bool IsAcceptableFolderValue(const std::wstring& folder);

// The selection keys, in workflow order.
inline constexpr std::array<const wchar_t*, 9> kStepKeys = {
    L"prepare", L"measure",     L"hold",   L"cpu",    L"gpuclean",
    L"gpu",     L"afterburner", L"memory", L"storage"};
void SaveStepChoices(const std::array<bool, 9>& wants);
std::array<bool, 9> LoadStepChoices();
// SetupComplete: a full tune was begun once, so the window opens on Home.
bool IsSetupComplete();
void MarkSetupComplete();

// Absent counts as wanted.
bool IsStepWanted(const std::wstring& step);
bool IsCheckDisabled(const std::wstring& id);
// Disabled_<id>: a turned-off check reads as Disabled and is never repaired.
void SetCheckDisabled(const std::wstring& id, bool disabled);

// Drift_<id>: 0 when absent or unreadable.
std::uint32_t ReadDriftCount(const std::wstring& id);
// Writes Drift_<id> when count is above 0, deletes it otherwise.
void SetDriftCount(const std::wstring& id, std::uint32_t count);
