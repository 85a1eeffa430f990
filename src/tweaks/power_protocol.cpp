#include "tweaks/power_protocol.h"

#include <optional>

#include "app/output.h"
#include "platform/power.h"
#include "platform/system.h"
#include "support/guid_parse.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/power_values.h"
#include "tweaks/step_output.h"

namespace {

constexpr std::uint32_t kWrittenPauseMs = 500;
constexpr std::uint32_t kFailedPauseMs = 600;
constexpr std::uint32_t kStoragePauseMs = 400;

struct PowerReading {
  std::optional<std::uint32_t> ac;
  std::optional<std::uint32_t> dc;
  // A value that is there but could not be read has no record, so it is not changed.
  bool unreadable = false;
};

PowerReading ReadBoth(const support::Guid& scheme, const PowerTweak& tweak) {
  PowerReading reading;
  auto& power = platform::Sys().power;
  for (const bool ac : {true, false}) {
    const auto value =
        power.ReadValueIndex(scheme, tweak.subgroup, tweak.setting,
                             ac ? platform::PowerSource::kAc : platform::PowerSource::kDc);
    if (value) {
      (ac ? reading.ac : reading.dc) = *value;
    } else if (value.error().code != support::ErrorCode::kNotFound) {
      reading.unreadable = true;
    }
  }
  return reading;
}

// One side's record: the value first, then the flag that vouches for it. An unreadable
// value is recorded as "had none" so that a later run knows it was already looked at.
bool RecordSide(const std::wstring& valueName, const std::wstring& hadName,
                const std::optional<std::uint32_t>& value, bool keep) {
  const EarlierRecord earlier = EarlierDword(keep, hadName);
  if (earlier != EarlierRecord::kNone) return earlier == EarlierRecord::kKept;
  if (value && !WriteBackupDword(valueName, *value)) return false;
  return WriteBackupDword(hadName, value ? 1 : 0);
}

bool RecordPowerBackup(const PowerWritePlan& plan, const PowerTweak& tweak,
                       const PowerReading& reading) {
  const PowerBackupNames names = PowerBackupNamesFor(plan.prefix, tweak.id);
  const bool ac = RecordSide(names.ac, names.hadAc, reading.ac, plan.keepBackups);
  const bool dc = RecordSide(names.dc, names.hadDc, reading.dc, plan.keepBackups);
  return ac && dc;
}

bool WriteSide(const support::Guid& scheme, const PowerTweak& tweak, bool ac) {
  return WritePowerValue(scheme, tweak.subgroup, tweak.setting, ac, tweak.target) ||
         WritePowerValueByTool(tweak.subgroup, tweak.setting, tweak.target, ac);
}

void ShowSetting(const PowerWritePlan& plan, const TweakRow& row) {
  ShowStepItem(row.title, row.explanation);
  ShowStepStatus(plan.tag, Format(L"%ls  %ls", row.id.c_str(), row.detail.c_str()));
  PrintInfo(L"");
  PrintInfo(Format(L"  %ls (%ls)", row.title.c_str(), row.id.c_str()));
  PrintInfo(Format(L"    %ls", row.explanation.c_str()));
  PrintInfo(Format(L"    %ls", row.detail.c_str()));
}

void ReportOutcome(const PowerWritePlan& plan, const PowerTweak& tweak, TweakRow& row, bool written,
                   std::optional<std::uint32_t> confirmed, PowerTally& tally) {
  if (written) {
    row.state = kRowDone;
    ++tally.written;
    if (plan.storage) {
      PrintInfo(Format(L"    written."));
    } else {
      PrintInfo(Format(L"    written%ls.",
                       confirmed ? Format(L" (confirmed %u)", *confirmed).c_str() : L""));
    }
    return;
  }
  row.state = kRowFailed;
  ++tally.failed;
  if (!plan.storage) {
    PrintError(
        Format(L"  write failed for %ls (API and powercfg). Continuing with the rest.", tweak.id));
    row.detail = Format(L"%ls  (write failed)", row.detail.c_str());
  }
}

}  // namespace

bool ClaimPowerScheme(const wchar_t* recordName, const support::Guid& scheme, bool keep) {
  switch (EarlierString(keep, recordName)) {
    case EarlierRecord::kUnknown:
      return false;
    case EarlierRecord::kKept: {
      const auto text = ReadBackupString(recordName);
      const auto recorded = text ? support::ParseGuid(*text) : std::nullopt;
      return recorded && *recorded == scheme;
    }
    case EarlierRecord::kNone:
      break;
  }
  return WriteBackupString(recordName, support::BracedGuidText(scheme));
}

bool WritePowerSettings(const support::Guid& scheme, std::span<const PowerTweak> catalogue,
                        std::vector<TweakRow>& rows, std::size_t firstRow,
                        const PowerWritePlan& plan, PowerTally& tally) {
  for (std::size_t i = 0; i < catalogue.size(); ++i) {
    const PowerTweak& tweak = catalogue[i];
    TweakRow& row = rows[firstRow + i];
    if (StepCancelled()) return false;
    // Hidden settings read as absent until they are shown.
    UnhidePowerSetting(tweak.subgroup, tweak.setting);
    const PowerReading before = ReadBoth(scheme, tweak);
    const std::optional<std::uint32_t> previous = before.ac ? before.ac : before.dc;
    row.state = kRowRunning;
    row.detail = FormatChangeLine(tweak, previous.value_or(0), previous.has_value());
    PublishRows(rows);
    ShowSetting(plan, row);
    DwellPause(tweak.dwellMs);
    if (!plan.storage && StepCancelled()) return false;

    if (before.unreadable || !RecordPowerBackup(plan, tweak, before)) {
      PrintError(
          Format(L"  the previous value of %ls could not be recorded; left unchanged.", tweak.id));
      row.state = kRowFailed;
      row.detail = Format(L"%ls  (not recorded)", row.detail.c_str());
      ++tally.failed;
      PublishRows(rows);
      continue;
    }
    const bool ac = WriteSide(scheme, tweak, true);
    const bool dc = WriteSide(scheme, tweak, false);
    std::uint32_t readBack = 0;
    std::optional<std::uint32_t> confirmed;
    if (ReadPowerValue(scheme, tweak.subgroup, tweak.setting, true, readBack) &&
        readBack == tweak.target) {
      confirmed = readBack;
      row.detail = FormatChangeLine(tweak, previous.value_or(0), previous.has_value());
    }
    const bool written = ac || dc || confirmed.has_value();
    ReportOutcome(plan, tweak, row, written, confirmed, tally);
    PublishRows(rows);
    DwellPause(plan.storage ? kStoragePauseMs : written ? kWrittenPauseMs : kFailedPauseMs);
  }
  return true;
}

namespace {

// Whether any value of the catalogue was recorded (a step that failed before its first
// setting needs no scheme to be restored); nullopt when a flag cannot be read.
std::optional<bool> HasPowerRecords(std::span<const PowerTweak> catalogue, const wchar_t* prefix) {
  for (const PowerTweak& tweak : catalogue) {
    const PowerBackupNames names = PowerBackupNamesFor(prefix, tweak.id);
    for (const std::wstring& flag : {names.hadAc, names.hadDc}) {
      const auto had = ReadRecordDword(flag);
      if (!had) return std::nullopt;
      if (had->value_or(0) != 0) return true;
    }
  }
  return false;
}

// One recorded side back; false when its records cannot be read or the write fails.
bool RestorePowerSide(const support::Guid& scheme, const PowerTweak& tweak, bool ac,
                      const PowerBackupNames& names, int& restored) {
  const auto had = ReadRecordDword(ac ? names.hadAc : names.hadDc);
  if (!had) return false;
  if (had->value_or(0) == 0) return true;
  const auto value = ReadRecordDword(ac ? names.ac : names.dc);
  if (!value) return false;
  // The value is written before its flag, so a flag without one was never the program's.
  if (!*value) return true;
  if (!WritePowerValue(scheme, tweak.subgroup, tweak.setting, ac, **value)) return false;
  if (ac) ++restored;
  return true;
}

}  // namespace

bool RestorePowerRecords(const wchar_t* schemeRecord, std::span<const PowerTweak> catalogue,
                         const wchar_t* prefix, const wchar_t* what, int& restored) {
  const std::optional<bool> any = HasPowerRecords(catalogue, prefix);
  if (any && !*any) return true;
  auto& power = platform::Sys().power;
  // The values go back onto the scheme they were written to, whatever is active now.
  const auto active = power.ActiveScheme();
  const auto recorded = ReadRecordString(schemeRecord);
  std::optional<support::Guid> scheme;
  if (recorded && *recorded) scheme = support::ParseGuid(**recorded);
  if (recorded && !scheme && active) scheme = *active;
  if (!any || !scheme) {
    PrintError(
        Format(L"The power scheme or records could not be read; %ls were not restored.", what));
    return false;
  }
  bool complete = true;
  for (const PowerTweak& tweak : catalogue) {
    const PowerBackupNames names = PowerBackupNamesFor(prefix, tweak.id);
    for (const bool ac : {true, false}) {
      complete = RestorePowerSide(*scheme, tweak, ac, names, restored) && complete;
    }
  }
  if (active && *active == *scheme) (void)power.SetActiveScheme(*scheme);
  return complete;
}
