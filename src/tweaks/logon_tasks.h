// The logon tasks the Afterburner step registers, named once: the step creates them and
// the GPU restore removes them through the one removal here (uninstall reaches the step
// layer, not the Afterburner step).
#pragma once

#include <string>

inline constexpr wchar_t kAfterburnerLogonTask[] = L"Veltrane Afterburner";
inline constexpr wchar_t kRivaTunerLogonTask[] = L"Veltrane RivaTuner";

// Removes the task when it exists; the outcome is not reported.
void DeleteLogonTask(const std::wstring& name);
// Both of the Afterburner step's tasks.
void DeleteAfterburnerLogonTasks();
