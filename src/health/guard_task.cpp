#include "health/guard_task.h"

#include "app/command_runner.h"
#include "app/output.h"
#include "health/hardening_backup.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kSchtasksTimeoutMs = 20000;

}  // namespace

void CreateGuardTask() {
  const std::wstring path = InstalledExePath();
  if (!platform::Sys().files.Exists(path)) {
    AppendLog(L"Could not create the Veltrane Guard startup task.");
    return;
  }
  // The action is the quoted path and --guard; schtasks wants the inner quotes escaped.
  const std::wstring arguments =
      L"/Create /F /SC ONSTART /RU SYSTEM /RL HIGHEST /TN \"Veltrane Guard\" /TR \"\\\"" + path +
      L"\\\" --guard\"";
  if (RunHidden(SystemToolPath(L"schtasks.exe"), arguments, kSchtasksTimeoutMs) == 0) {
    AppendLog(L"Veltrane Guard will re-apply hardened settings at startup.");
  } else {
    AppendLog(L"Could not create the Veltrane Guard startup task.");
  }
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
  // Only the start type changes: the rest is written back as it was read.
  if (auto config = services.QueryConfig(**service)) {
    platform::ServiceConfig pinned = *config;
    pinned.start_type = platform::ServiceStartType::kDisabled;
    (void)services.ChangeConfig(**service, pinned);
  }
  (void)services.ClearFailureActions(**service);
}
