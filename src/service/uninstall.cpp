// UninstallTimerService: takes away everything the product put on the machine. Backups
// are read before the product key that holds them is deleted.
#include "service/uninstall.h"

#include <optional>

#include "app/output.h"
#include "app/product.h"
#include "health/hardening_backup.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/task_scheduler.h"
#include "service/global_flag.h"
#include "service/same_path.h"
#include "service/service_control.h"
#include "service/service_values.h"
#include "service/step_restores.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Whether either timer service is there; nullopt (reported) when that cannot be told:
// only "does not exist" means not installed.
std::optional<bool> AnyTimerServiceExists() {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) {
    PrintError(Format(L"OpenSCManager failed (error %u).", manager.error().win32_error));
    return std::nullopt;
  }
  bool any = false;
  for (const wchar_t* name : {kServiceName, kLegacyServiceName}) {
    auto service = services.Open(**manager, name, platform::service_access::kQueryStatus);
    if (service) {
      any = true;
    } else if (service.error().code != support::ErrorCode::kNotFound) {
      PrintError(Format(L"OpenService failed (error %u).", service.error().win32_error));
      return std::nullopt;
    }
  }
  return any;
}

// Step 1. Only the legacy service may be there; step 2 removes that one.
bool RemoveServices() {
  const std::optional<bool> exists = AnyTimerServiceExists();
  if (!exists) return false;
  if (!*exists) {
    PrintInfo(Format(L"Service is not installed."));
    return true;
  }
  PrintInfo(Format(L"Stopping service..."));
  (void)StopServiceByName(kServiceName);
  (void)StopServiceByName(kLegacyServiceName);
  if (!ServiceExists(kServiceName)) return true;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) {
    PrintError(Format(L"DeleteService failed (error %u).", manager.error().win32_error));
    return false;
  }
  auto service =
      services.Open(**manager, kServiceName,
                    platform::service_access::kDelete | platform::service_access::kQueryStatus);
  support::Status deleted = service ? services.Delete(**service) : support::Status(service.error());
  if (!deleted) {
    PrintError(Format(L"DeleteService failed (error %u).", deleted.error().win32_error));
    return false;
  }
  return true;
}

// Step 7: a running copy cannot delete itself; Windows does it at the next boot.
void RemoveInstalledCopy() {
  auto& sys = platform::Sys();
  const std::wstring installed = InstalledExePath();
  if (IsSamePath(sys.environment.ExecutablePath(), installed)) {
    (void)sys.files.DeleteAtReboot(installed);
    PrintInfo(Format(L"The running executable will be deleted on the next reboot."));
    return;
  }
  if (!sys.files.Exists(installed)) return;
  const support::Status deleted = sys.files.Delete(installed);
  if (!deleted) {
    PrintError(Format(L"Could not delete %ls (error %u); delete it manually.", installed.c_str(),
                      deleted.error().win32_error));
    return;
  }
  (void)sys.files.RemoveEmptyDirectory(InstallFolder());
  PrintInfo(Format(L"Removed %ls", installed.c_str()));
}

}  // namespace

bool UninstallTimerService() {
  auto& sys = platform::Sys();
  const bool services_removed = RemoveServices();
  (void)RemoveLegacyService();
  // Step 3: the startup guard's task; whether it existed does not matter.
  (void)sys.task_scheduler.Delete(L"Veltrane Guard");
  // Steps 4-5 read their records from the product key, so they come before step 6. What
  // the hardening wrote over goes back first, so the values from before the steps win.
  bool restored = RestoreHardening();
  restored = RestoreCpuTune() && restored;
  restored = RestoreGpuConfig() && restored;
  // Storage gives SysMain its start type back before compression is turned on again:
  // the memory manager's cmdlets fail while SysMain is disabled.
  restored = RestoreStorage() && restored;
  restored = RestoreMemory() && restored;
  restored = RestoreGlobalTimerRequests() && restored;
  // Step 6, unless a restore left values behind: their records are the only way back.
  if (restored) {
    (void)sys.registry.DeleteTree(platform::Hive::kLocalMachine, kProductKey);
  } else {
    PrintError(
        Format(L"Some settings could not be restored; their previous values stay under "
               L"HKLM\\%ls so that a later uninstall can restore them.",
               kProductKey));
  }
  RemoveInstalledCopy();
  (void)sys.registry.DeleteValue({platform::Hive::kCurrentUser, kRunKey, kProductName});
  return services_removed;
}
