#include "platform/sim/windows_tools_sim.h"

#include "platform/sim/sim_text.h"
#include "support/utf.h"

namespace platform {
namespace {

bool Has(const std::wstring& line, const std::wstring& word) {
  return sim::FoldCase(line).find(sim::FoldCase(word)) != std::wstring::npos;
}

SimProcesses::Outcome Printed(std::uint32_t exit_code, const std::wstring& text) {
  SimProcesses::Outcome outcome;
  outcome.exit_code = exit_code;
  outcome.duration_ms = 300;
  outcome.output = support::ToUtf8(text);
  return outcome;
}

}  // namespace

SimWindowsTools::SimWindowsTools(SimMachine& machine) : machine_(machine) {
  machine_.processes.Register(L"powershell.exe",
                              [this](const std::wstring& line) { return PowerShell(line); });
  machine_.processes.Register(L"fsutil.exe",
                              [this](const std::wstring& line) { return Fsutil(line); });
}

SimWindowsTools::~SimWindowsTools() {
  machine_.processes.Unregister(L"powershell.exe");
  machine_.processes.Unregister(L"fsutil.exe");
}

bool SimWindowsTools::MemoryCompression() {
  std::lock_guard lock(mutex_);
  return memory_compression_;
}

void SimWindowsTools::SetMemoryCompression(bool on) {
  std::lock_guard lock(mutex_);
  memory_compression_ = on;
}

std::uint32_t SimWindowsTools::DisableDeleteNotify(bool refs) {
  std::lock_guard lock(mutex_);
  return refs ? refs_delete_notify_ : ntfs_delete_notify_;
}

void SimWindowsTools::SetDisableDeleteNotify(bool refs, std::uint32_t value) {
  std::lock_guard lock(mutex_);
  (refs ? refs_delete_notify_ : ntfs_delete_notify_) = value;
}

SimProcesses::Outcome SimWindowsTools::PowerShell(const std::wstring& line) {
  std::lock_guard lock(mutex_);
  if (Has(line, L"(Get-MMAgent).MemoryCompression")) {
    return Printed(0, memory_compression_ ? L"True\r\n" : L"False\r\n");
  }
  // The recording query of the Memory step and the hardening: 11 on, 10 off.
  if (Has(line, L"$a = Get-MMAgent")) return Printed(memory_compression_ ? 11 : 10, L"");
  if (Has(line, L"Disable-MMAgent -MemoryCompression")) memory_compression_ = false;
  if (Has(line, L"Enable-MMAgent -MemoryCompression")) memory_compression_ = true;
  return Printed(0, L"");
}

std::string SimWindowsTools::DeleteNotifyLines() {
  auto line = [](const char* fs, std::uint32_t value) {
    return std::string(fs) + " DisableDeleteNotify = " + std::to_string(value) +
           (value == 0 ? "  (Allows TRIM operations to be sent to the storage device)\r\n"
                       : "  (Disallows TRIM operations to be sent to the storage device)\r\n");
  };
  return line("NTFS", ntfs_delete_notify_) + line("ReFS", refs_delete_notify_);
}

SimProcesses::Outcome SimWindowsTools::Fsutil(const std::wstring& line) {
  std::lock_guard lock(mutex_);
  if (Has(line, L"behavior query DisableDeleteNotify")) {
    SimProcesses::Outcome outcome = Printed(0, L"");
    outcome.output = DeleteNotifyLines();
    return outcome;
  }
  if (Has(line, L"behavior set DisableDeleteNotify")) {
    const bool refs = Has(line, L"DisableDeleteNotify ReFS");
    const std::wstring tail = line.substr(line.find_last_not_of(L" "));
    if (tail != L"0" && tail != L"1") return Printed(1, L"Invalid parameter\r\n");
    (refs ? refs_delete_notify_ : ntfs_delete_notify_) = tail == L"1" ? 1 : 0;
    SimProcesses::Outcome outcome = Printed(0, L"");
    outcome.output = DeleteNotifyLines();
    return outcome;
  }
  return Printed(1, L"Invalid parameter\r\n");
}

}  // namespace platform
