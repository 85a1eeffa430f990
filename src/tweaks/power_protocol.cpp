#include "tweaks/power_protocol.h"

#include <optional>

#include "app/output.h"
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
};

PowerReading ReadBoth(const support::Guid& scheme, const PowerTweak& tweak) {
  PowerReading reading;
  std::uint32_t value = 0;
  if (ReadPowerValue(scheme, tweak.subgroup, tweak.setting, true, value)) reading.ac = value;
  if (ReadPowerValue(scheme, tweak.subgroup, tweak.setting, false, value)) reading.dc = value;
  return reading;
}

// One side's record: the value first, then the flag that vouches for it. An unreadable
// value is recorded as "had none" so that a later run knows it was already looked at.
bool RecordSide(const std::wstring& valueName, const std::wstring& hadName,
                const std::optional<std::uint32_t>& value, bool keep) {
  if (keep && ReadBackupDword(hadName)) return true;
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

    if (!RecordPowerBackup(plan, tweak, before)) {
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

bool RestorePowerSettings(const support::Guid& scheme, std::span<const PowerTweak> catalogue,
                          const wchar_t* prefix, int& restored) {
  bool complete = true;
  for (const PowerTweak& tweak : catalogue) {
    const PowerBackupNames names = PowerBackupNamesFor(prefix, tweak.id);
    for (const bool ac : {true, false}) {
      if (ReadBackupDword(ac ? names.hadAc : names.hadDc).value_or(0) == 0) continue;
      const auto value = ReadBackupDword(ac ? names.ac : names.dc);
      if (!value) continue;
      if (!WritePowerValue(scheme, tweak.subgroup, tweak.setting, ac, *value)) {
        complete = false;
      } else if (ac) {
        ++restored;
      }
    }
  }
  return complete;
}
