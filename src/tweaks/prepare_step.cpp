// Prepare: System Protection on, then a restore point before anything else changes.
#include <vector>

#include "app/command_runner.h"
#include "app/output.h"
#include "platform/system.h"
#include "platform/system_restore.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/small_step_catalogue.h"
#include "tweaks/small_steps.h"
#include "tweaks/step_output.h"

namespace {

constexpr wchar_t kTag[] = L"PREPARE";
constexpr wchar_t kPointName[] = L"Veltrane pre-tune";
constexpr std::uint32_t kBeginSystemChange = 100;
constexpr std::uint32_t kEndSystemChange = 101;
constexpr std::uint32_t kModifySettings = 12;
constexpr std::uint32_t kEnableRestoreTimeoutMs = 60000;

}  // namespace

bool CreateRestorePoint(std::wstring& message) {
  auto& restore = platform::Sys().system_restore;
  const auto begun = restore.SetRestorePoint({kBeginSystemChange, kModifySettings, 0, kPointName});
  if (!begun) {
    message = begun.error().code == support::ErrorCode::kUnsupported
                  ? L"SRSetRestorePointW missing"
                  : L"srclient.dll not available (System Restore is not installed)";
    return false;
  }
  if (!begun->accepted) {
    message = Format(
        L"System Restore refused the checkpoint (status %u). Enable it in System "
        L"Protection.",
        begun->status);
    return false;
  }
  (void)restore.SetRestorePoint(
      {kEndSystemChange, kModifySettings, begun->sequence_number, kPointName});
  message = Format(L"restore point #%lld created", static_cast<long long>(begun->sequence_number));
  return true;
}

bool ApplyPrepare() {
  bool restorePointMade = false;
  return ApplyPrepare(restorePointMade);
}

bool ApplyPrepare(bool& restorePointMade) {
  ShowStepItem(L"Prepare",
               L"Creates a System Restore point named 'Veltrane pre-tune' so you can roll back if "
               L"a later change is unstable.");
  ShowStepStatus(kTag, L"creating a System Restore point");
  std::vector<TweakRow> rows = PrepareRows();
  PublishRows(rows);
  DwellPause(1000);
  StartRow(rows, 0);
  DwellPause(1400);
  const bool enabled = RunPowerShell(
                           L"Enable-ComputerRestore -Drive 'C:\\' -ErrorAction "
                           L"SilentlyContinue",
                           kEnableRestoreTimeoutMs) == 0;
  const std::wstring protection = enabled
                                      ? L"System Protection enabled (or already on)"
                                      : L"Enable-ComputerRestore returned a warning; continuing";
  SetRowState(rows, 0, kRowDone, &protection);
  PrintInfo(Format(L"  System Protection: %ls", protection.c_str()));

  StartRow(rows, 1);
  ShowStepStatus(kTag, L"writing the restore point (this can take a minute)");
  DwellPause(800);
  std::wstring message;
  restorePointMade = CreateRestorePoint(message);
  SetRowState(rows, 1, restorePointMade ? kRowDone : kRowFailed, &message);
  PrintInfo(Format(L"  restore point: %ls", message.c_str()));
  DwellPause(800);
  (void)WriteBackupDword(kPrepareApplied, 1);
  if (restorePointMade) (void)WriteBackupDword(kRestorePointOk, 1);
  return true;
}
