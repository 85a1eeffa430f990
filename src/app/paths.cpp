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

std::wstring DataFolder() { return EnvValueOr(L"ProgramData", L"C:\\ProgramData") + L"\\Veltrane"; }

std::wstring LogPath() { return DataFolder() + L"\\Veltrane.log"; }

std::wstring InstallFolder() {
  return EnvValueOr(L"ProgramFiles", L"C:\\Program Files") + L"\\Veltrane";
}

std::wstring InstalledExePath() { return InstallFolder() + L"\\Veltrane.exe"; }
