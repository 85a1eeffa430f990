#include "tweaks/gpu_config.h"

#include <vector>

#include "app/output.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/driver_profile_session.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/gpu_probe.h"
#include "tweaks/graphics_backup.h"
#include "tweaks/step_output.h"

namespace {

constexpr wchar_t kTag[] = L"GPU";

struct GpuRun {
  bool keep = false;  // the step was applied before: earlier records stay
  DriverProfileSession session;
  int written = 0;
  int failed = 0;
};

bool WriteMachine(const GraphicsTweak& tweak, const std::wstring& key) {
  return platform::Sys()
      .registry.WriteDword({platform::Hive::kLocalMachine, key, tweak.valueName}, tweak.value)
      .ok();
}

bool WriteUser(const GraphicsTweak& tweak) {
  return platform::Sys()
      .registry
      .WriteDword({platform::Hive::kCurrentUser, tweak.keyPath, tweak.valueName}, tweak.value)
      .ok();
}

// Backs up one HKLM copy and writes it; a value of another type or a refused record leaves
// the copy as it is, and says so.
bool BackUpAndWrite(const GpuRun& run, const GraphicsTweak& tweak, const std::wstring& name,
                    const std::wstring& key) {
  switch (BackupGraphicsValue(name, key, tweak.valueName, run.keep)) {
    case BackupOutcome::kRecorded:
      return WriteMachine(tweak, key);
    case BackupOutcome::kOtherType:
      PrintError(Format(L"    %ls\\%ls holds a value of another type; left unchanged.", key.c_str(),
                        tweak.valueName));
      return false;
    case BackupOutcome::kNotRecorded:
      break;
  }
  PrintError(
      Format(L"    The previous %ls could not be recorded; left unchanged.", tweak.valueName));
  return false;
}

bool ApplyPerAdapter(const GpuRun& run, const GraphicsTweak& tweak) {
  const std::vector<std::wstring> keys = ListAdapterKeys(tweak.vendor);
  int count = 0;
  for (std::uint32_t j = 0; j < keys.size(); ++j) {
    if (BackUpAndWrite(run, tweak, AdapterCopyName(tweak.id, j), keys[j])) ++count;
  }
  if (count > 0) PrintInfo(Format(L"    wrote on %d adapter key(s).", count));
  return count > 0;
}

bool ApplyRegistry(const GpuRun& run, const GraphicsTweak& tweak) {
  if (tweak.perAdapter) return ApplyPerAdapter(run, tweak);
  const std::wstring key = tweak.keyPath;
  // Per-user switches: the HKCU write decides the row; only the HKLM copy is recorded.
  if (key.find(L"GameBar") != std::wstring::npos) {
    (void)BackupGraphicsValue(tweak.id, key, tweak.valueName, run.keep);
    const bool user = WriteUser(tweak);
    (void)BackUpAndWrite(run, tweak, MachineCopyName(tweak.id), key);
    return user;
  }
  if (key.find(L"CurrentVersion\\GameDVR") != std::wstring::npos) {
    const bool user = WriteUser(tweak);
    (void)BackUpAndWrite(run, tweak, tweak.id, key);
    return user;
  }
  return BackUpAndWrite(run, tweak, tweak.id, key);
}

bool ApplyProfileSetting(GpuRun& run, const GraphicsTweak& tweak) {
  const std::uint32_t id = tweak.profileSettingId;
  std::uint32_t previous = 0;
  if (run.session.GetSetting(id, previous) && !(run.keep && ReadBackupDword(ProfileHadName(id)))) {
    if (!WriteBackupDword(ProfileBackupName(id), previous) ||
        !WriteBackupDword(ProfileHadName(id), 1)) {
      PrintError(Format(L"    The previous value could not be recorded; left unchanged."));
      return false;
    }
  }
  if (!run.session.SetSetting(id, tweak.value)) {
    PrintError(
        Format(L"    NVAPI SetSetting failed (driver too old, or this ID is not in the "
               L"profile)."));
    return false;
  }
  return true;
}

bool ApplyService(const GpuRun& run, const GraphicsTweak& tweak) {
  switch (DisableServiceWithBackup(tweak.serviceName, run.keep)) {
    case ServiceChange::kDisabled:
      return true;
    case ServiceChange::kAbsent:
      PrintInfo(
          Format(L"    service not present (already gone, or this driver did not install "
                 L"it)."));
      return true;
    case ServiceChange::kNotRecorded:
      PrintError(Format(L"    The start type of %ls could not be recorded; left unchanged.",
                        tweak.serviceName));
      return false;
    case ServiceChange::kFailed:
      break;
  }
  PrintError(Format(L"    %ls could not be disabled.", tweak.serviceName));
  return false;
}

bool ApplyRow(GpuRun& run, const GraphicsTweak& tweak) {
  switch (tweak.kind) {
    case kGraphicsProfile:
      return ApplyProfileSetting(run, tweak);
    case kGraphicsService:
      return ApplyService(run, tweak);
    default:
      return ApplyRegistry(run, tweak);
  }
}

std::vector<const GraphicsTweak*> SelectRows(const gui::GpuProbeView& probe) {
  std::vector<const GraphicsTweak*> selected;
  for (const GraphicsTweak& tweak : GpuCatalogue()) {
    if (tweak.vendor == kAnyVendor || (tweak.vendor == kVendorNvidia && probe.hasNvidia) ||
        (tweak.vendor == kVendorAmd && probe.hasAmd)) {
      selected.push_back(&tweak);
    }
  }
  return selected;
}

// A cancel keeps what the driver profile already took.
bool EndCancelled(GpuRun& run) {
  if (run.written > 0) (void)run.session.Save();
  run.session.Close();
  return false;
}

void ShowRow(const GraphicsTweak& tweak) {
  ShowStepStatus(kTag, Format(L"%ls  %ls", tweak.id, tweak.targetText));
  PrintInfo(L"");
  PrintInfo(Format(L"  %ls (%ls)", tweak.title, tweak.id));
  PrintInfo(Format(L"    %ls", tweak.explanation));
  PrintInfo(Format(L"    %ls", tweak.targetText));
}

void ReportApplied(const GpuRun& run) {
  ShowStepItem(L"GPU tweaks applied",
               Format(L"Wrote %d graphics setting(s)%ls. Restart so HAGS and ReBAR take effect.",
                      run.written,
                      run.failed > 0 ? Format(L", %d did not confirm", run.failed).c_str() : L""));
  PrintInfo(
      Format(L"Applied %d GPU tweak(s)%ls. Reboot for HAGS / ReBAR. Uninstall restores the "
             L"previous values.",
             run.written, run.failed > 0 ? Format(L", %d failed", run.failed).c_str() : L""));
  DwellPause(1600);
}

}  // namespace

bool ApplyGpuConfig() {
  const gui::GpuProbeView probe = ProbeGpu();
  PrintGpuProbe(probe);
  ShowStepItem(L"GPU driver optimization",
               L"HAGS, overlays off, NVIDIA global 3D (max performance, high-performance "
               L"filtering, VSync off, ultra low latency, ReBAR, P2 off) and AMD Anti-Lag / ULPS.");
  ShowStepStatus(kTag, L"writing Windows / driver graphics settings");
  PrintInfo(Format(L"Applying GPU driver optimization tweaks."));
  const std::vector<const GraphicsTweak*> selected = SelectRows(probe);
  if (selected.empty()) {
    PrintError(Format(L"No GPU tweaks apply to the adapters on this machine."));
    return false;
  }
  std::vector<TweakRow> rows;
  for (const GraphicsTweak* tweak : selected) {
    rows.push_back(PendingRow(tweak->id, tweak->title, tweak->explanation, tweak->targetText));
  }
  PublishRows(rows);
  DwellPause(1600);
  GpuRun run;
  run.keep = StepApplied(kGpuApplied);
  // The applied flag comes before the first change, so whatever follows is restorable.
  if (!WriteBackupDword(kGpuApplied, 1)) {
    PrintError(Format(L"The GPU settings could not be recorded; nothing was changed."));
    return false;
  }
  if (probe.hasNvidia && !run.session.Open()) {
    PrintInfo(
        Format(L"  nvapi64.dll could not open a DRS session; NVIDIA control-panel (DRS) "
               L"values will be retried via registry only."));
  }
  for (std::size_t i = 0; i < selected.size(); ++i) {
    const GraphicsTweak& tweak = *selected[i];
    if (StepCancelled()) return EndCancelled(run);
    StartRow(rows, i);
    ShowRow(tweak);
    DwellPause(tweak.dwellMs);
    if (StepCancelled()) return EndCancelled(run);
    const bool ok = ApplyRow(run, tweak);
    SetRowState(rows, i, ok ? kRowDone : kRowFailed);
    if (ok) PrintInfo(Format(L"    written."));
    ++(ok ? run.written : run.failed);
    DwellPause(500);
  }
  if (run.written > 0) (void)run.session.Save();
  run.session.Close();
  if (run.written > 0) {
    ReportApplied(run);
    return true;
  }
  PrintError(Format(L"No GPU setting could be written."));
  return false;
}
