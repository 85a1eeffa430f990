// RestoreGpuConfig: every recorded HKLM copy, driver-profile setting and service start
// type goes back. What was written under HKCU stays: it was never recorded.
#include <algorithm>

#include "app/output.h"
#include "platform/system.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/driver_profile_session.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/gpu_config.h"
#include "tweaks/graphics_backup.h"
#include "tweaks/logon_tasks.h"

namespace {

constexpr std::uint32_t kAdapterCopies = 32;

// An unreadable flag counts as a record: the session is opened and its restore fails.
bool AnyProfileRecord() {
  const auto catalogue = GpuCatalogue();
  return std::any_of(catalogue.begin(), catalogue.end(), [](const GraphicsTweak& tweak) {
    if (tweak.kind != kGraphicsProfile) return false;
    const auto had = ReadRecordDword(ProfileHadName(tweak.profileSettingId));
    return !had || had->value_or(0) != 0;
  });
}

bool RestoreProfileSetting(DriverProfileSession& session, std::uint32_t id, int& counter) {
  const auto had = ReadRecordDword(ProfileHadName(id));
  if (!had || had->value_or(0) == 0) return had.ok();
  const auto previous = ReadRecordDword(ProfileBackupName(id));
  if (!previous || !*previous) return previous.ok();
  if (!session.SetSetting(id, **previous)) return false;
  ++counter;
  return true;
}

bool RestoreRegistryCopies(const GraphicsTweak& tweak, int& counter) {
  bool complete = RestoreGraphicsValue(tweak.id, counter);
  complete = RestoreGraphicsValue(MachineCopyName(tweak.id), counter) && complete;
  for (std::uint32_t j = 0; j < kAdapterCopies; ++j) {
    complete = RestoreGraphicsValue(AdapterCopyName(tweak.id, j), counter) && complete;
  }
  return complete;
}

}  // namespace

bool RestoreGpuConfig() {
  DeleteAfterburnerLogonTasks();
  const std::optional<bool> applied = StepApplied(kGpuApplied);
  if (!applied || !*applied) return applied.has_value();
  DriverProfileSession session;
  bool complete = true;
  if (AnyProfileRecord() && !session.Open()) {
    PrintError(
        Format(L"nvapi64.dll could not open a DRS session; NVIDIA profile settings were "
               L"not restored."));
    complete = false;
  }
  int counter = 0;
  for (const GraphicsTweak& tweak : GpuCatalogue()) {
    bool restored = true;
    if (tweak.kind == kGraphicsProfile) {
      restored =
          !session.IsOpen() || RestoreProfileSetting(session, tweak.profileSettingId, counter);
    } else if (tweak.kind == kGraphicsService) {
      restored = RestoreServiceStart(tweak.serviceName, counter);
    } else {
      restored = RestoreRegistryCopies(tweak, counter);
    }
    complete = restored && complete;
  }
  if (session.IsOpen() && !session.Save()) complete = false;
  session.Close();
  PrintInfo(Format(L"Restored %d GPU setting(s) to their previous values.", counter));
  return complete;
}
