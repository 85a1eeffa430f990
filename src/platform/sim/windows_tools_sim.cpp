#include "platform/sim/windows_tools_sim.h"

#include "platform/sim/sim_text.h"
#include "support/utf.h"

namespace platform {
namespace {

// The argument after `option` (" /TN "), unquoted; inside quotes \" stands for a quote,
// as schtasks reads its /TR.
std::optional<std::wstring> ArgumentAfter(const std::wstring& line, const std::wstring& option) {
  const std::wstring folded = sim::FoldCase(line);
  const std::size_t at = folded.find(sim::FoldCase(option));
  if (at == std::wstring::npos) return std::nullopt;
  std::size_t i = at + option.size();
  std::wstring value;
  if (i < line.size() && line[i] == L'"') {
    for (++i; i < line.size() && line[i] != L'"'; ++i) {
      if (line[i] == L'\\' && i + 1 < line.size() && line[i + 1] == L'"') ++i;
      value.push_back(line[i]);
    }
    return value;
  }
  const std::size_t end = line.find(L' ', i);
  return line.substr(i, end == std::wstring::npos ? end : end - i);
}

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
  machine_.processes.Register(L"schtasks.exe",
                              [this](const std::wstring& line) { return Schtasks(line); });
  machine_.processes.Register(L"powershell.exe",
                              [this](const std::wstring& line) { return PowerShell(line); });
  machine_.processes.Register(L"fsutil.exe",
                              [this](const std::wstring& line) { return Fsutil(line); });
}

SimWindowsTools::~SimWindowsTools() {
  machine_.processes.Unregister(L"schtasks.exe");
  machine_.processes.Unregister(L"powershell.exe");
  machine_.processes.Unregister(L"fsutil.exe");
}

std::optional<std::wstring> SimWindowsTools::TaskCommand(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  const auto it = tasks_.find(sim::FoldCase(name));
  if (it == tasks_.end()) return std::nullopt;
  return it->second.second;
}

void SimWindowsTools::SeedTask(const std::wstring& name, const std::wstring& command) {
  std::lock_guard lock(mutex_);
  tasks_[sim::FoldCase(name)] = {name, command};
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

SimProcesses::Outcome SimWindowsTools::Schtasks(const std::wstring& line) {
  const auto name = ArgumentAfter(line, L" /TN ");
  if (!name) return Printed(1, L"ERROR: Invalid syntax. Mandatory option '/tn' is missing.\r\n");
  std::lock_guard lock(mutex_);
  const std::wstring key = sim::FoldCase(*name);
  const bool exists = tasks_.count(key) != 0;
  const std::wstring missing = L"ERROR: The system cannot find the file specified.\r\n";
  if (Has(line, L" /Query")) {
    if (!exists) return Printed(1, missing);
    return Printed(
        0,
        L"\r\nFolder: \\\r\nTaskName                                 Next Run Time          "
        L"Status\r\n======================================== ====================== "
        L"===============\r\n" +
            tasks_[key].first + L"                           N/A                    Ready\r\n");
  }
  if (Has(line, L" /Delete")) {
    if (!exists) return Printed(1, missing);
    tasks_.erase(key);
    return Printed(0,
                   L"SUCCESS: The scheduled task \"" + *name + L"\" was successfully deleted.\r\n");
  }
  if (Has(line, L" /Create")) {
    const auto command = ArgumentAfter(line, L" /TR ");
    if (!command)
      return Printed(1, L"ERROR: Invalid syntax. Mandatory option '/tr' is missing.\r\n");
    if (exists && !Has(line, L" /F")) {
      return Printed(1, L"WARNING: The task name \"" + *name + L"\" already exists.\r\n");
    }
    tasks_[key] = {*name, *command};
    return Printed(
        0, L"SUCCESS: The scheduled task \"" + *name + L"\" has successfully been created.\r\n");
  }
  return Printed(1, L"ERROR: Invalid argument/option.\r\n");
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
