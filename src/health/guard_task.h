// The "Veltrane Guard" startup task and the service pin the hardening uses.
#pragma once

#include <string>

// Guard flags under the product key: 1 once an area is hardened, cleared only by
// uninstall.
inline constexpr wchar_t kGuardTimer[] = L"GuardTimer";
inline constexpr wchar_t kGuardPpm[] = L"GuardPpm";
inline constexpr wchar_t kGuardStorage[] = L"GuardStorage";
inline constexpr wchar_t kGuardGpu[] = L"GuardGpu";
inline constexpr wchar_t kGuardMemory[] = L"GuardMemory";

// Creates or replaces the task that runs the installed copy with --guard as SYSTEM at
// every start. It never points at a copy outside the install folder: a user could
// replace that file, and the task runs it as SYSTEM.
void CreateGuardTask();

// Stops the service (without waiting), sets it to disabled and clears its failure
// actions, so nothing restarts it. What it had is recorded first for uninstall.
void PinServiceDisabled(const std::wstring& name);
