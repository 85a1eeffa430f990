// SimWindowsTools: stand-ins for powershell.exe and fsutil.exe on the
// simulated machine. Each keeps the state its real tool changes and prints what the real
// tool prints for the commands the program runs, so checks that read a tool's report
// are tested against the real wording. Construct one after the machine; it registers the
// two tools with the machine's processes.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/sim/sim_machine.h"

namespace platform {

class SimWindowsTools {
 public:
  explicit SimWindowsTools(SimMachine& machine);
  ~SimWindowsTools();
  SimWindowsTools(const SimWindowsTools&) = delete;
  SimWindowsTools& operator=(const SimWindowsTools&) = delete;

  // PowerShell's MMAgent: memory compression (on by default).
  bool MemoryCompression();
  void SetMemoryCompression(bool on);
  // fsutil: DisableDeleteNotify per file system (both 0 by default).
  std::uint32_t DisableDeleteNotify(bool refs);
  void SetDisableDeleteNotify(bool refs, std::uint32_t value);

 private:
  SimProcesses::Outcome PowerShell(const std::wstring& line);
  SimProcesses::Outcome Fsutil(const std::wstring& line);
  std::string DeleteNotifyLines();  // under mutex_

  SimMachine& machine_;
  std::mutex mutex_;
  bool memory_compression_ = true;
  std::uint32_t ntfs_delete_notify_ = 0;
  std::uint32_t refs_delete_notify_ = 0;
};

}  // namespace platform
