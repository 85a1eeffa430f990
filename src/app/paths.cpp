// The well-known folders of the data, the log and the installed copy.
#include "app/env_value.h"
#include "app/output.h"
#include "platform/environment.h"
#include "platform/system.h"

namespace {

constexpr std::size_t kPathBuffer = 260;

}  // namespace

std::wstring EnvValueOr(const std::wstring& name, const std::wstring& fallback) {
  const auto value = platform::Sys().environment.Variable(name);
  if (!value || value->empty() || value->size() >= kPathBuffer) return fallback;
  return *value;
}

std::wstring MachineFolder(platform::KnownFolder folder, const wchar_t* variable,
                           const wchar_t* fallback) {
  auto& environment = platform::Sys().environment;
  if (!environment.IsProcessElevated()) return EnvValueOr(variable, fallback);
  const auto known = environment.KnownFolderPath(folder);
  return known && !known->empty() ? *known : std::wstring(fallback);
}

std::wstring DataFolder() {
  return MachineFolder(platform::KnownFolder::kProgramData, L"ProgramData", L"C:\\ProgramData") +
         L"\\Veltrane";
}

std::wstring LogPath() { return DataFolder() + L"\\Veltrane.log"; }

std::wstring InstallFolder() {
  return MachineFolder(platform::KnownFolder::kProgramFiles, L"ProgramFiles",
                       L"C:\\Program Files") +
         L"\\Veltrane";
}

std::wstring InstalledExePath() { return InstallFolder() + L"\\Veltrane.exe"; }
