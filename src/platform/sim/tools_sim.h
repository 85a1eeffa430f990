// SimTools: stand-ins for the Windows tools the program starts (powercfg, fsutil, wmic,
// PowerShell's cmdlets), one per tool, registered at their paths in the system folder.
// Each changes the simulated machine as the real tool would, ends with the exit code the
// real one gives and prints what it prints for the queries the health checks read.
// Registered on demand (Install), so tests of the command runner keep their own.
//
// A tool's effect lands as it ends: a run killed at its time-out changes nothing.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/sim/environment_sim.h"
#include "platform/sim/power_sim.h"
#include "platform/sim/processes_sim.h"
#include "platform/sim/services_sim.h"

namespace platform {

class SimTools {
 public:
  // What the tools change besides the power schemes.
  struct State {
    bool hibernate = true;
    std::uint32_t disable_delete_notify = 0;  // NTFS
    std::uint32_t refs_disable_delete_notify = 0;
    std::uint32_t disable_last_access = 2;
    bool automatic_managed_pagefile = false;
    bool mm_agent = true;  // the MMAgent cmdlets exist
    bool memory_compression = true;
    bool system_protection = false;
    bool ultimate_template = true;  // /duplicatescheme can make Ultimate Performance
  };

  SimTools(SimProcesses& processes, SimPower& power, SimEnvironment& environment,
           SimServices& services);

  // Registers powercfg.exe, fsutil.exe, wbem\wmic.exe and
  // WindowsPowerShell\v1.0\powershell.exe in the system folder.
  void Install();
  // `file` in the machine's system folder.
  std::wstring SystemPath(const std::wstring& file);

  State state();
  void SetState(const State& state);
  // Every later command line containing `needle` ends with `exit_code` after
  // `duration_ms` and changes nothing.
  void FailCommand(const std::wstring& needle, std::uint32_t exit_code,
                   std::uint32_t duration_ms = 0);
  void ClearFailures();

 private:
  // The memory manager's cmdlets work through the SysMain service: with it disabled they
  // fail, as on Windows.
  bool SysMainDisabled();
  using Outcome = SimProcesses::Outcome;

  bool Injected(const std::wstring& command_line, Outcome& outcome);
  Outcome Powercfg(const std::wstring& command_line);
  Outcome Fsutil(const std::wstring& command_line);
  Outcome Wmic(const std::wstring& command_line);
  Outcome PowerShell(const std::wstring& command_line);

  SimProcesses& processes_;
  SimPower& power_;
  SimServices& services_;
  SimEnvironment& environment_;
  std::mutex mutex_;
  State state_;
  std::map<std::wstring, Outcome> failures_;
  std::uint32_t duplicates_ = 0;
};

}  // namespace platform
