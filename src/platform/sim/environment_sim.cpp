#include "platform/sim/environment_sim.h"

#include "platform/sim/sim_text.h"

namespace platform {

SimEnvironment::SimEnvironment() {
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } kDefaults[] = {
      {L"ProgramData", L"C:\\ProgramData"},
      {L"ProgramFiles", L"C:\\Program Files"},
      {L"ProgramFiles(x86)", L"C:\\Program Files (x86)"},
      {L"SystemDrive", L"C:"},
      {L"SystemRoot", L"C:\\Windows"},
      {L"windir", L"C:\\Windows"},
      {L"USERPROFILE", L"C:\\Users\\Player"},
      {L"LOCALAPPDATA", L"C:\\Users\\Player\\AppData\\Local"},
      {L"APPDATA", L"C:\\Users\\Player\\AppData\\Roaming"},
      {L"TEMP", L"C:\\Users\\Player\\AppData\\Local\\Temp"},
      {L"TMP", L"C:\\Users\\Player\\AppData\\Local\\Temp"},
      {L"PATHEXT", L".COM;.EXE;.BAT;.CMD"},
  };
  for (const auto& d : kDefaults) variables_[sim::FoldCase(d.name)] = d.value;
}

std::optional<std::wstring> SimEnvironment::Find(const std::wstring& name) {
  const auto it = variables_.find(sim::FoldCase(name));
  if (it == variables_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::wstring> SimEnvironment::Variable(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  return Find(name);
}

std::wstring SimEnvironment::SystemDirectory() { return L"C:\\Windows\\system32"; }

std::wstring SimEnvironment::TempFolder() {
  std::lock_guard lock(mutex_);
  // GetTempPathW's order: TMP, TEMP, USERPROFILE, then the Windows folder.
  for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
    if (auto value = Find(name); value && !value->empty()) {
      return value->back() == L'\\' ? *value : *value + L'\\';
    }
  }
  return L"C:\\Windows\\";
}

std::wstring SimEnvironment::ExecutablePath() {
  std::lock_guard lock(mutex_);
  return executable_path_;
}

bool SimEnvironment::IsProcessElevated() {
  std::lock_guard lock(mutex_);
  return elevated_;
}

std::optional<std::wstring> SimEnvironment::KnownFolderPath(KnownFolder folder) {
  // The machine's folders, never the process environment's.
  switch (folder) {
    case KnownFolder::kProgramData:
      return L"C:\\ProgramData";
    case KnownFolder::kProgramFiles:
      return L"C:\\Program Files";
    case KnownFolder::kProgramFilesX86:
      return L"C:\\Program Files (x86)";
  }
  return std::nullopt;
}

void SimEnvironment::SetVariable(const std::wstring& name, const std::wstring& value) {
  std::lock_guard lock(mutex_);
  variables_[sim::FoldCase(name)] = value;
}

void SimEnvironment::UnsetVariable(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  variables_.erase(sim::FoldCase(name));
}

std::uint32_t SimEnvironment::CurrentProcessId() {
  std::lock_guard lock(mutex_);
  return process_id_;
}

void SimEnvironment::SetCurrentProcessId(std::uint32_t id) {
  std::lock_guard lock(mutex_);
  process_id_ = id;
}

void SimEnvironment::SetExecutablePath(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  executable_path_ = path;
}

void SimEnvironment::SetElevated(bool elevated) {
  std::lock_guard lock(mutex_);
  elevated_ = elevated;
}

support::Result<std::wstring> SimEnvironment::ComputerName() {
  std::lock_guard lock(mutex_);
  return computer_name_;
}

void SimEnvironment::SetComputerName(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  computer_name_ = name;
}

support::Result<std::uint8_t> SimEnvironment::BatteryFlag() {
  std::lock_guard lock(mutex_);
  if (!battery_flag_) {
    return support::Fail(support::ErrorCode::kFailed, L"GetSystemPowerStatus", 31);
  }
  return *battery_flag_;
}

void SimEnvironment::SetBatteryFlag(std::optional<std::uint8_t> flag) {
  std::lock_guard lock(mutex_);
  battery_flag_ = flag;
}

}  // namespace platform
