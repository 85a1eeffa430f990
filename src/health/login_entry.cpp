#include "health/login_entry.h"

#include "app/output.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

const platform::RegPath kRunEntry{platform::Hive::kCurrentUser,
                                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                  L"Veltrane"};

}  // namespace

std::wstring PreferredExecutablePath() {
  auto& sys = platform::Sys();
  const std::wstring running = sys.environment.ExecutablePath();
  const std::wstring installed = InstalledExePath();
  const auto installedVersion = sys.files.ReadFileVersion(installed);
  if (!installedVersion) return running;
  const auto runningVersion = sys.files.ReadFileVersion(running);
  if (runningVersion && *runningVersion > *installedVersion) return running;
  return installed;
}

void UpdateLoginEntry(bool enabled) {
  auto& registry = platform::Sys().registry;
  if (!enabled) {
    (void)registry.DeleteValue(kRunEntry);
    return;
  }
  const std::wstring path = PreferredExecutablePath();
  if (path.empty()) return;
  (void)registry.WriteString(kRunEntry, L"\"" + path + L"\"");
}
