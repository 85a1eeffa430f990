#include "platform/sim/tools_sim.h"

#include <cwctype>
#include <sstream>
#include <vector>

#include "support/guid_parse.h"

namespace platform {
namespace {

constexpr std::uint32_t kFailed = 1;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The arguments after the quoted executable path, split at blanks.
std::vector<std::wstring> Arguments(const std::wstring& command_line) {
  std::size_t start = 0;
  if (!command_line.empty() && command_line[0] == L'"') {
    start = command_line.find(L'"', 1);
    start = start == std::wstring::npos ? command_line.size() : start + 1;
  }
  std::wistringstream stream(command_line.substr(start));
  std::vector<std::wstring> words;
  for (std::wstring word; stream >> word;) words.push_back(word);
  return words;
}

bool Contains(const std::wstring& text, const std::wstring& needle) {
  return Lower(text).find(Lower(needle)) != std::wstring::npos;
}

SimProcesses::Outcome Ends(std::uint32_t code, std::function<void()> effect = {}) {
  return SimProcesses::Outcome::Ends(code, 0, std::move(effect));
}

SimProcesses::Outcome Printed(std::uint32_t code, const std::string& text) {
  SimProcesses::Outcome outcome = SimProcesses::Outcome::Ends(code, 300);
  outcome.output = text;
  return outcome;
}

const std::string kInvalidParameter = "Invalid parameter\r\n";

// fsutil's report of both file systems' TRIM switch.
std::string DeleteNotifyLines(const SimTools::State& state) {
  auto line = [](const char* fs, std::uint32_t value) {
    return std::string(fs) + " DisableDeleteNotify = " + std::to_string(value) +
           (value == 0 ? "  (Allows TRIM operations to be sent to the storage device)\r\n"
                       : "  (Disallows TRIM operations to be sent to the storage device)\r\n");
  };
  return line("NTFS", state.disable_delete_notify) + line("ReFS", state.refs_disable_delete_notify);
}

}  // namespace

SimTools::SimTools(SimProcesses& processes, SimPower& power, SimEnvironment& environment,
                   SimServices& services)
    : processes_(processes), power_(power), services_(services), environment_(environment) {}

bool SimTools::SysMainDisabled() {
  const auto sysmain = services_.Find(L"SysMain");
  return sysmain && sysmain->config.start_type == ServiceStartType::kDisabled;
}

std::wstring SimTools::SystemPath(const std::wstring& file) {
  return environment_.SystemDirectory() + L"\\" + file;
}

void SimTools::Install() {
  processes_.Register(SystemPath(L"powercfg.exe"),
                      [this](const std::wstring& c) { return Powercfg(c); });
  processes_.Register(SystemPath(L"fsutil.exe"),
                      [this](const std::wstring& c) { return Fsutil(c); });
  processes_.Register(SystemPath(L"wbem\\wmic.exe"),
                      [this](const std::wstring& c) { return Wmic(c); });
  processes_.Register(SystemPath(L"WindowsPowerShell\\v1.0\\powershell.exe"),
                      [this](const std::wstring& c) { return PowerShell(c); });
}

SimTools::State SimTools::state() {
  std::lock_guard lock(mutex_);
  return state_;
}

void SimTools::SetState(const State& state) {
  std::lock_guard lock(mutex_);
  state_ = state;
}

void SimTools::FailCommand(const std::wstring& needle, std::uint32_t exit_code,
                           std::uint32_t duration_ms) {
  std::lock_guard lock(mutex_);
  failures_[needle] = Outcome::Ends(exit_code, duration_ms);
}

void SimTools::ClearFailures() {
  std::lock_guard lock(mutex_);
  failures_.clear();
}

bool SimTools::Injected(const std::wstring& command_line, Outcome& outcome) {
  std::lock_guard lock(mutex_);
  for (const auto& [needle, failure] : failures_) {
    if (Contains(command_line, needle)) {
      outcome = failure;
      return true;
    }
  }
  return false;
}

SimTools::Outcome SimTools::Powercfg(const std::wstring& command_line) {
  Outcome injected;
  if (Injected(command_line, injected)) return injected;
  const std::vector<std::wstring> args = Arguments(command_line);
  if (args.empty()) return Ends(kFailed);
  const std::wstring verb = Lower(args[0]);
  const auto active = power_.ActiveScheme();
  auto scheme = [&](const std::wstring& text) -> std::optional<support::Guid> {
    if (Lower(text) == L"scheme_current") {
      return active ? std::optional<support::Guid>(*active) : std::nullopt;
    }
    return support::ParseGuid(text);
  };
  if (verb == L"/setactive" && args.size() == 2) {
    const auto target = scheme(args[1]);
    if (!target || !power_.HasScheme(*target)) return Ends(kFailed);
    return Ends(0, [this, guid = *target] { (void)power_.SetActiveScheme(guid); });
  }
  if (verb == L"/duplicatescheme" && (args.size() == 2 || args.size() == 3)) {
    const auto source = support::ParseGuid(args[1]);
    const bool known =
        source && (power_.HasScheme(*source) ||
                   (*source == SimPower::kUltimatePerformance && state().ultimate_template));
    if (!known) return Ends(kFailed);
    // Without a destination Windows makes up a new GUID for the copy.
    std::optional<support::Guid> destination =
        args.size() == 3 ? support::ParseGuid(args[2])
                         : std::optional<support::Guid>(support::Guid{0x5151d000u + ++duplicates_});
    if (!destination || power_.HasScheme(*destination)) return Ends(kFailed);
    return Ends(0, [this, guid = *destination] { power_.AddScheme(guid); });
  }
  if ((verb == L"/setacvalueindex" || verb == L"/setdcvalueindex") && args.size() == 5) {
    const auto target = scheme(args[1]);
    const auto subgroup = support::ParseGuid(args[2]);
    const auto setting = support::ParseGuid(args[3]);
    if (!target || !subgroup || !setting || !power_.HasScheme(*target)) return Ends(kFailed);
    const std::uint32_t value =
        static_cast<std::uint32_t>(std::wcstoul(args[4].c_str(), nullptr, 10));
    const PowerSource source = verb == L"/setacvalueindex" ? PowerSource::kAc : PowerSource::kDc;
    return Ends(0, [=, this] { power_.Seed(*target, *subgroup, *setting, source, value); });
  }
  if (verb == L"/attributes" && args.size() == 4) {
    const auto subgroup = support::ParseGuid(args[1]);
    const auto setting = support::ParseGuid(args[2]);
    if (!subgroup || !setting) return Ends(kFailed);
    return Ends(0, [=, this] { (void)power_.WriteSettingAttributes(*subgroup, *setting, 0); });
  }
  if (verb == L"-h" && args.size() == 2 && Lower(args[1]) == L"off") {
    return Ends(0, [this] {
      std::lock_guard lock(mutex_);
      state_.hibernate = false;
    });
  }
  return Ends(kFailed);
}

// fsutil behavior query DisableDeleteNotify, and behavior set of DisableDeleteNotify (for
// NTFS unless ReFS is named) and DisableLastAccess.
SimTools::Outcome SimTools::Fsutil(const std::wstring& command_line) {
  Outcome injected;
  if (Injected(command_line, injected)) return injected;
  const std::vector<std::wstring> args = Arguments(command_line);
  if (args.size() < 3 || Lower(args[0]) != L"behavior") return Printed(kFailed, kInvalidParameter);
  const std::wstring verb = Lower(args[1]);
  const std::wstring name = Lower(args[2]);
  if (verb == L"query" && args.size() == 3 && name == L"disabledeletenotify") {
    return Printed(0, DeleteNotifyLines(state()));
  }
  const std::wstring system = args.size() == 5 ? Lower(args[3]) : L"ntfs";
  const std::uint32_t value =
      static_cast<std::uint32_t>(std::wcstoul(args.back().c_str(), nullptr, 10));
  if (verb != L"set" || args.size() < 4 || args.size() > 5) {
    return Printed(kFailed, kInvalidParameter);
  }
  if (name == L"disablelastaccess" && args.size() == 4) {
    return Ends(0, [this, value] {
      std::lock_guard lock(mutex_);
      state_.disable_last_access = value;
    });
  }
  if (name != L"disabledeletenotify" || value > 1 || (system != L"ntfs" && system != L"refs")) {
    return Printed(kFailed, kInvalidParameter);
  }
  return Ends(0, [this, system, value] {
    std::lock_guard lock(mutex_);
    (system == L"refs" ? state_.refs_disable_delete_notify : state_.disable_delete_notify) = value;
  });
}

// wmic answers "No Instance(s) Available." and exit code 0 when the filter matches no
// computer, as the real one does.
SimTools::Outcome SimTools::Wmic(const std::wstring& command_line) {
  Outcome injected;
  if (Injected(command_line, injected)) return injected;
  const std::size_t open = command_line.find(L"name=\"");
  if (open == std::wstring::npos) return Ends(kFailed);
  const std::size_t close = command_line.find(L'"', open + 6);
  if (close == std::wstring::npos) return Ends(kFailed);
  const std::wstring name = command_line.substr(open + 6, close - open - 6);
  const auto computer = environment_.ComputerName();
  const bool matches = computer && Lower(*computer) == Lower(name);
  if (!Contains(command_line, L" set AutomaticManagedPagefile=True") || !matches) return Ends(0);
  return Ends(0, [this] {
    std::lock_guard lock(mutex_);
    state_.automatic_managed_pagefile = true;
  });
}

SimTools::Outcome SimTools::PowerShell(const std::wstring& command_line) {
  Outcome injected;
  if (Injected(command_line, injected)) return injected;
  const State now = state();
  // The health check's query prints the switch.
  if (Contains(command_line, L"(Get-MMAgent).MemoryCompression")) {
    if (!now.mm_agent) return Printed(kFailed, "The term 'Get-MMAgent' is not recognized\r\n");
    return Printed(0, now.memory_compression ? "True\r\n" : "False\r\n");
  }
  if (Contains(command_line, L"Enable-ComputerRestore")) {
    return Ends(0, [this] {
      std::lock_guard lock(mutex_);
      state_.system_protection = true;
    });
  }
  if (Contains(command_line, L"Disable-MMAgent")) {
    if (!now.mm_agent || SysMainDisabled()) return Ends(kFailed);
    return Ends(0, [this] {
      std::lock_guard lock(mutex_);
      state_.memory_compression = false;
    });
  }
  // The Memory step's query script: 2 without the cmdlets, 11 on, 10 off.
  if (Contains(command_line, L"Get-MMAgent")) {
    if (!now.mm_agent) return Ends(2);
    return Ends(now.memory_compression ? 11 : 10);
  }
  if (Contains(command_line, L"Enable-MMAgent")) {
    if (!now.mm_agent || SysMainDisabled()) return Ends(kFailed);
    return Ends(0, [this] {
      std::lock_guard lock(mutex_);
      state_.memory_compression = true;
    });
  }
  return Ends(kFailed);
}

}  // namespace platform
