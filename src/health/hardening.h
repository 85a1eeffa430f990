// The stronger fix for an area that drifted twice in a row: the setting is written more
// widely (every power plan, pinned services, a policy), a guard flag is set, and the
// startup task re-applies it at every start.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "health/hardening_backup.h"
#include "platform/power.h"
#include "support/guid.h"
#include "tweaks/tweak_records.h"

inline constexpr wchar_t kGameDvrPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\GameDVR";
inline constexpr wchar_t kGameDvrPolicyValue[] = L"AllowGameDVR";

// "timer", "ppm", "storage", "gpu", "memory"; any other key does nothing.
void HardenStep(const std::wstring& repairKey);

void HardenTimer();
void HardenPowerSettings(PowerArea area);
void HardenGraphics();
void HardenMemory();

// The pieces the startup guard repeats without flags, tasks or log lines.
std::span<const PowerTweak> PowerTable(PowerArea area);
// Every power scheme, at most 64, or those listed before the enumeration failed.
platform::PowerSchemeList PowerSchemesToHarden();
// Writes the table as AC and DC value into every scheme; the active scheme stays active.
// False, with a log line, when not every scheme could be listed (Wine, a broken power
// store); those listed are written all the same.
bool WritePowerTableEverywhere(PowerArea area);
// Pins every service of the GPU table disabled and sets the Game DVR policy to 0.
void LockGraphics();
// Disable-MMAgent -MemoryCompression through PowerShell.
void DisableMemoryCompression();
