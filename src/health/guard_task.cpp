#include "health/guard_task.h"

#include "app/output.h"
#include "app/task_xml.h"
#include "health/hardening_backup.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/system.h"

void CreateGuardTask() {
  const std::wstring path = InstalledExePath();
  if (!platform::Sys().files.Exists(path)) {
    AppendLog(L"Could not create the Veltrane Guard startup task.");
    return;
  }
  // Registered from the text itself, so no definition file waits on disk for someone to
  // swap the command the task then runs as SYSTEM.
  const std::wstring xml = TaskXml(
      {L"Veltrane re-applies the hardened settings at system start.", L"", path, L"--guard"});
  AppendLog(RegisterTask(L"Veltrane Guard", xml, platform::TaskRunAs::kLocalSystem)
                ? L"Veltrane Guard will re-apply hardened settings at startup."
                : L"Could not create the Veltrane Guard startup task.");
}

void PinServiceDisabled(const std::wstring& name) {
  if (name.empty()) return;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return;
  using namespace platform::service_access;
  auto service =
      services.Open(**manager, name, kStop | kChangeConfig | kQueryStatus | kQueryConfig);
  if (!service) return;
  RecordServiceOnce(name, **service);
  (void)services.Control(**service, platform::service_control::kStop);
  (void)services.ChangeStartType(**service,
                                 static_cast<std::uint32_t>(platform::ServiceStartType::kDisabled));
  (void)services.ClearFailureActions(**service);
}
