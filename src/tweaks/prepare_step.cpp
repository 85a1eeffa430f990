// Prepare: System Protection on, then a restore point before anything else changes.
#include <optional>
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

using NewestPoint = support::Result<std::optional<platform::RestorePoint>>;

// System Restore answers a request within a day of its newest point with that point's
// number and makes none: only a number above the newest one read before the request is a
// new point.
bool IsNewPoint(std::int64_t sequence, const NewestPoint& newestBefore) {
  return !*newestBefore || sequence > (*newestBefore)->sequence_number;
}

std::wstring ExistingPointProtects(const platform::RestorePoint& point) {
  const platform::LocalTime& t = point.created;
  return Format(
      L"System Restore made no new point: the point of %04u-%02u-%02u %02u:%02u (#%lld) from "
      L"the last 24 hours protects you",
      t.year, t.month, t.day, t.hour, t.minute, static_cast<long long>(point.sequence_number));
}

}  // namespace

bool CreateRestorePoint(std::wstring& message) {
  auto& restore = platform::Sys().system_restore;
  const NewestPoint newestBefore = restore.NewestRestorePoint();
  const auto begun = restore.SetRestorePoint({kBeginSystemChange, kModifySettings, 0, kPointName});
  if (!begun) {
    message = begun.error().code == support::ErrorCode::kUnsupported
                  ? L"SRSetRestorePointW missing"
                  : L"srclient.dll not available (System Restore is not installed)";
    return false;
  }
  if (!begun->accepted) {
    message = begun->status == 0
                  ? std::wstring(
                        L"System Restore made no point and gave no reason; this Windows "
                        L"may lack System Restore")
                  : Format(
                        L"System Restore refused the checkpoint (status %u). Enable it in "
                        L"System Protection.",
                        begun->status);
    return false;
  }
  const long long sequence = begun->sequence_number;
  if (newestBefore && !IsNewPoint(sequence, newestBefore)) {
    message = ExistingPointProtects(**newestBefore);
    return true;  // an end would close a point this request did not begin
  }
  (void)restore.SetRestorePoint({kEndSystemChange, kModifySettings, sequence, kPointName});
  message = newestBefore ? Format(L"restore point #%lld created", sequence)
                         : Format(
                               L"restore point #%lld in place (the list of restore points "
                               L"could not be read, so it may be the point System Restore "
                               L"made in the last 24 hours)",
                               sequence);
  return true;
}

bool ApplyPrepare() {
  bool restorePointMade = false;
  return ApplyPrepare(restorePointMade);
}

bool ApplyPrepare(bool& restorePointMade) {
  std::vector<TweakRow> rows = PrepareRows();
  OpenStep(L"Prepare",
           L"Creates a System Restore point named 'Veltrane pre-tune' so you can roll back if a "
           L"later change is unstable.",
           kTag, L"creating a System Restore point", rows, 1000);
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
