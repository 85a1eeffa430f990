// Storage: the storage power settings, TRIM, SysMain, hibernate, the disks' write cache
// and last-access stamps; and the restore of what uninstall puts back.
#include <algorithm>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/command_runner.h"
#include "app/output.h"
#include "platform/disk_cache.h"
#include "platform/power.h"
#include "platform/system.h"
#include "support/guid_parse.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/graphics_backup.h"
#include "tweaks/power_protocol.h"
#include "tweaks/small_step_catalogue.h"
#include "tweaks/small_steps.h"
#include "tweaks/step_output.h"

namespace {

constexpr wchar_t kTag[] = L"STORAGE";
constexpr std::uint32_t kToolTimeoutMs = 20000;
constexpr std::uint32_t kLastDrive = 15;
constexpr std::size_t kPowerRows = 3;
enum StorageRow : std::size_t {
  kTrim = 3,
  kSysMain = 4,
  kHibernate = 5,
  kWriteCache = 6,
  kLastAccess = 7
};

struct Tally {
  int written = 0;
  int failed = 0;
  void Count(bool ok) { ++(ok ? written : failed); }
};

// Runs one fixed row: show it, pause, do the work, report, pause.
template <typename Work>
void RunRow(std::vector<TweakRow>& rows, std::size_t index, std::uint32_t dwellMs, Tally& tally,
            Work work) {
  StartRow(rows, index);
  DwellPause(dwellMs);
  std::wstring detail;
  const bool ok = work(detail);
  SetRowState(rows, index, ok ? kRowDone : kRowFailed, &detail);
  tally.Count(ok);
  DwellPause(400);
}

bool Fsutil(const wchar_t* arguments) {
  return RunHidden(SystemToolPath(L"fsutil.exe"), arguments, kToolTimeoutMs) == 0;
}

bool DisableSysMain(bool keep, std::wstring& detail) {
  const ServiceChange change = DisableServiceWithBackup(L"SysMain", keep);
  if (change == ServiceChange::kDisabled) {
    detail = L"SysMain stopped and disabled";
  } else if (change == ServiceChange::kAbsent) {
    detail = L"SysMain already absent or could not be changed";
  } else {
    detail = L"SysMain is present but could not be changed";
  }
  return change == ServiceChange::kDisabled || change == ServiceChange::kAbsent;
}

bool WriteCache(std::wstring& detail) {
  int enabled = 0;
  int failed = 0;
  const bool ok = EnableDiskWriteCache(enabled, failed);
  detail = Format(L"write cache on for %d disk(s)%ls", enabled,
                  failed > 0 ? Format(L", %d could not be changed", failed).c_str() : L"");
  return ok;
}

void ReportApplied(const Tally& tally) {
  ShowStepItem(
      L"Storage tweaks applied",
      Format(L"Wrote %d storage setting(s)%ls. CrystalDiskMark after a reboot is the check.",
             tally.written,
             tally.failed > 0 ? Format(L", %d did not confirm", tally.failed).c_str() : L""));
  PrintInfo(Format(L"Applied %d storage tweak(s)%ls.", tally.written,
                   tally.failed > 0 ? Format(L", %d failed", tally.failed).c_str() : L""));
  DwellPause(1000);
}

}  // namespace

bool ApplyStoragePowerSettings(std::vector<TweakRow>& rows, int& written, int& failed) {
  auto& power = platform::Sys().power;
  const auto scheme = power.ActiveScheme();
  const bool keep = KeepEarlierRecords(kStorageApplied);
  // Power rows that were not written failed, and the user reads why once.
  const auto notWritten = [&](const wchar_t* why) {
    PrintError(Format(L"%ls", why));
    const std::size_t count = std::min(StoragePowerCatalogue().size(), rows.size());
    for (std::size_t i = 0; i < count; ++i) rows[i].state = kRowFailed;
    failed += static_cast<int>(count);
    PublishRows(rows);
    return false;
  };
  if (!scheme) return notWritten(L"Could not open the active power scheme for storage tweaks.");
  // The values are restored onto the scheme they came from, so it is recorded first.
  if (!ClaimPowerScheme(kStorageScheme, *scheme, keep)) {
    return notWritten(
        L"The storage power values were recorded on another power plan, or this plan could "
        L"not be recorded; they are left as they are.");
  }
  PowerTally tally;
  const PowerWritePlan plan{kTag, kStoragePowerPrefix, true, keep};
  const bool finished = WritePowerSettings(*scheme, StoragePowerCatalogue(), rows, 0, plan, tally);
  written += tally.written;
  failed += tally.failed;
  if (finished) (void)power.SetActiveScheme(*scheme);
  return finished;
}

bool EnableDiskWriteCache(int& enabled, int& failed) {
  auto& disks = platform::Sys().disk_cache;
  for (std::uint32_t number = 0; number <= kLastDrive; ++number) {
    auto drive = disks.OpenDrive(number);
    if (!drive) continue;
    auto information = disks.ReadCacheInformation(**drive);
    if (!information) {
      ++failed;
      continue;
    }
    if (information->write_cache_enabled) {
      ++enabled;
      continue;
    }
    platform::DiskCacheInformation changed = *information;
    changed.write_cache_enabled = true;
    ++(disks.WriteCacheInformation(**drive, changed) ? enabled : failed);
  }
  return enabled > 0;
}

bool ApplyStorage() {
  std::vector<TweakRow> rows = StorageRows();
  OpenStep(L"Storage",
           L"PCIe ASPM off, disks never spun down, USB selective suspend off, TRIM on, "
           L"SysMain/Superfetch disabled, hibernate off, write cache on, last-access timestamps "
           L"off. Indexing (Windows Search) is left running \u2014 killing WSearch breaks "
           L"Start-menu search; disable it per-drive in Indexing Options if you want that extra.",
           kTag, L"SSD, PCIe, USB, TRIM, SysMain", rows, 1200);
  const bool keep = KeepEarlierRecords(kStorageApplied);
  // The applied flag comes before the first change, so whatever follows is restorable.
  if (!MarkStepApplied(kStorageApplied, L"storage")) return false;
  Tally tally;
  // A refusal says why itself; rows that could not be written count as failed.
  (void)ApplyStoragePowerSettings(rows, tally.written, tally.failed);
  RunRow(rows, kTrim, 1400, tally, [](std::wstring& detail) {
    const bool ok = Fsutil(L"behavior set DisableDeleteNotify 0");
    detail = ok ? L"DisableDeleteNotify  \u2192  0 (TRIM on)" : L"fsutil TRIM set failed";
    return ok;
  });
  RunRow(rows, kSysMain, 1600, tally,
         [keep](std::wstring& detail) { return DisableSysMain(keep, detail); });
  RunRow(rows, kHibernate, 1400, tally, [](std::wstring& detail) {
    const bool ok = RunPowercfg(L"-h off") == 0;
    detail = ok ? L"hibernate off, hiberfil.sys removed" : L"powercfg -h off failed";
    return ok;
  });
  RunRow(rows, kWriteCache, 1600, tally, WriteCache);
  RunRow(rows, kLastAccess, 1200, tally, [](std::wstring& detail) {
    const bool ok = Fsutil(L"behavior set disablelastaccess 1");
    detail = ok ? L"disablelastaccess  \u2192  1" : L"fsutil last-access set failed";
    return ok;
  });
  (void)RunPowercfg(L"/setactive SCHEME_CURRENT");
  ReportApplied(tally);
  return tally.written > 0;
}

bool RestoreStorage() {
  const std::optional<bool> applied = StepApplied(kStorageApplied);
  if (!applied || !*applied) return applied.has_value();
  int restored = 0;
  bool complete = RestorePowerRecords(kStorageScheme, StoragePowerCatalogue(), kStoragePowerPrefix,
                                      L"storage power settings", restored);
  int services = 0;
  if (!RestoreServiceStart(L"SysMain", services)) {
    PrintError(Format(L"Could not restore the SysMain start type."));
    complete = false;
  } else if (services > 0) {
    PrintInfo(Format(L"Restored SysMain start type."));
  }
  PrintInfo(Format(L"Restored storage power settings. Hibernate and TRIM were not reverted."));
  return complete;
}
