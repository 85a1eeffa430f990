// The logon tasks that start Afterburner (with the scanned profile) and RivaTuner, and
// Windows' GPU choice for the programs that must run on the PCI-E card. Their names and
// removal sit in the step layer, which uninstall reaches.
#pragma once

#include <string>

#include "tweaks/logon_tasks.h"

// The task definition as Task Scheduler reads it. `user` is "DOMAIN\\name".
std::wstring LogonTaskXml(const std::wstring& user, const std::wstring& command,
                          const std::wstring& arguments);
// Registers (or replaces) a task that runs `command` at the current user's logon with the
// highest rights available. True when Task Scheduler accepted it; a refusal is logged.
bool CreateLogonTask(const std::wstring& name, const std::wstring& command,
                     const std::wstring& arguments);
// Asks Windows to run `exePath` on the high-performance GPU (the current user's DirectX
// preference). False when the value could not be written.
bool SetGpuPreference(const std::wstring& exePath);
