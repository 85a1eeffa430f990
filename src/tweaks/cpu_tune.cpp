#include "tweaks/cpu_tune.h"

#include <optional>
#include <vector>

#include "app/command_runner.h"
#include "app/output.h"
#include "platform/power.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_values.h"
#include "support/guid_parse.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/power_protocol.h"
#include "tweaks/ppm_catalogue.h"
#include "tweaks/step_output.h"

constexpr support::Guid kUltimatePerformanceScheme =
    support::GuidLiteral(L"e9a42b02-d5df-448d-aa00-03a2192483d7");
constexpr support::Guid kHighPerformanceScheme =
    support::GuidLiteral(L"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c");

namespace {

constexpr wchar_t kTag[] = L"CPU TUNE";
constexpr wchar_t kThreadDpcValue[] = L"ThreadDpcEnable";

bool SetActiveByTool(const support::Guid& scheme) {
  return RunPowercfg(L"/setactive " + support::GuidText(scheme)) == 0;
}

// The scheme as the product key stores it, unless an earlier run's record must stay.
bool RecordScheme(const wchar_t* name, const support::Guid& scheme, bool keep) {
  const EarlierRecord earlier = EarlierString(keep, name);
  if (earlier != EarlierRecord::kNone) return earlier == EarlierRecord::kKept;
  return WriteBackupString(name, support::BracedGuidText(scheme));
}

// ThreadDpcEnable's previous value goes to the product key before the 0 is written.
bool DisableThreadedDpcs(bool keep, std::wstring& detail) {
  auto& registry = platform::Sys().registry;
  const platform::RegPath value{platform::Hive::kLocalMachine, kKernelKey, kThreadDpcValue};
  const auto previous = registry.ReadDword(value);
  detail = previous ? Format(L"%u  \u2192  0", *previous) : std::wstring(L"(unset)  \u2192  0");
  if (!previous && previous.error().code == support::ErrorCode::kWrongType) {
    PrintError(Format(L"    ThreadDpcEnable holds a value of another type; left unchanged."));
    return false;
  }
  // Only a value that is not there may be recorded as absent.
  const bool readable = previous || previous.error().code == support::ErrorCode::kNotFound;
  const EarlierRecord earlier = EarlierDword(keep, kThreadDpcHad);
  const bool recorded = earlier == EarlierRecord::kKept ||
                        (earlier == EarlierRecord::kNone && readable &&
                         (!previous || WriteBackupDword(kThreadDpcPrev, *previous)) &&
                         WriteBackupDword(kThreadDpcHad, previous ? 1 : 0));
  if (!recorded) {
    PrintError(Format(L"    The previous ThreadDpcEnable could not be recorded; left unchanged."));
    return false;
  }
  if (!registry.WriteDword(value, 0)) {
    PrintError(Format(L"    ThreadDpcEnable write failed."));
    return false;
  }
  PrintInfo(Format(L"    ThreadDpcEnable written. Reboot for the kernel to pick it up."));
  return true;
}

void ReportApplied(const PowerTally& tally) {
  const std::wstring unconfirmed =
      tally.failed > 0 ? Format(L", %d could not be confirmed", tally.failed) : L"";
  ShowStepItem(L"PPM applied",
               Format(L"Wrote %d processor power setting(s)%ls. Periodic P-state and parking DPCs "
                      L"now fire at most every 5 seconds. Idle power and heat will rise; "
                      L"uninstall restores the previous values.",
                      tally.written, unconfirmed.c_str()));
  PrintInfo(
      Format(L"Applied %d PPM tweak(s)%ls.", tally.written,
             tally.failed > 0 ? Format(L", %d failed confirmation", tally.failed).c_str() : L""));
  PrintInfo(Format(L"Higher idle power/heat is expected; uninstall restores the previous values."));
  DwellPause(1400);
}

bool RestoreThreadedDpcs(int& restored) {
  const auto had = ReadRecordDword(kThreadDpcHad);
  if (!had || !*had) return had.ok();
  auto& registry = platform::Sys().registry;
  const platform::RegPath value{platform::Hive::kLocalMachine, kKernelKey, kThreadDpcValue};
  if (**had == 0) {
    // A value of another type was never written by the step: it stays.
    const auto now = registry.ReadDword(value);
    if (!now && now.error().code == support::ErrorCode::kWrongType) return true;
    const support::Status deleted = registry.DeleteValue(value);
    if (!deleted && deleted.error().code != support::ErrorCode::kNotFound) return false;
    ++restored;
    return true;
  }
  const auto previous = ReadRecordDword(kThreadDpcPrev);
  if (!previous || !*previous) return previous.ok();
  if (!registry.WriteDword(value, **previous)) return false;
  ++restored;
  return true;
}

bool RestorePreviousPlan() {
  const auto recorded = ReadRecordString(kPpmPreviousScheme);
  if (!recorded) {
    PrintError(Format(L"The recorded previous power plan could not be read; it was not restored."));
    return false;
  }
  const std::wstring text = recorded->value_or(L"");
  if (text.size() <= 2) return true;
  const auto scheme = support::ParseGuid(text);
  if (!scheme) {
    PrintError(Format(L"The recorded previous power plan is not a GUID; it was not restored."));
    return false;
  }
  if (!SetActiveByTool(*scheme)) {
    PrintError(Format(L"Could not switch back to the previous power plan %ls.", text.c_str()));
    return false;
  }
  return true;
}

}  // namespace

bool SwitchToUltimatePlan(std::wstring& message) {
  if (SetActiveByTool(kUltimatePerformanceScheme)) {
    message = L"Ultimate Performance is now the active plan";
    return true;
  }
  // Naming the destination keeps the copy's GUID, so the plan can be activated by it.
  const std::wstring ultimate = support::GuidText(kUltimatePerformanceScheme);
  (void)RunPowercfg(L"/duplicatescheme " + ultimate + L" " + ultimate);
  if (SetActiveByTool(kUltimatePerformanceScheme)) {
    message = L"duplicated Ultimate Performance and set it active";
    return true;
  }
  if (SetActiveByTool(kHighPerformanceScheme)) {
    message = L"Ultimate Performance is not on this SKU; High Performance is active instead";
    return true;
  }
  message = L"could not switch the Windows power plan";
  return false;
}

bool ApplyCpuTune() {
  auto& power = platform::Sys().power;
  const bool keep = KeepEarlierRecords(kPpmApplied);
  // Without the plan in use nothing can be recorded, so nothing is changed.
  const auto previous = power.ActiveScheme();
  if (!previous) {
    PrintError(Format(L"PowerGetActiveScheme failed; cannot apply PPM tweaks."));
    return false;
  }
  ShowStepItem(L"CPU Tune",
               L"Switch to Ultimate Performance, then write every Processor Power Management "
               L"value from the tuning guide: parking off, min/max 100%, PERFCHECK 5000 ms, boost "
               L"mode off, increase threshold 85/95, increase/decrease policy Single, autonomous "
               L"off. Threaded DPCs are disabled in the kernel so those periodic checks stop "
               L"stealing slices from the game thread.");
  ShowStepStatus(kTag, L"Ultimate Performance, PPM, ThreadDpcEnable");
  PrintInfo(
      Format(L"Applying CPU Tune: Ultimate Performance power plan, then every PPM setting, "
             L"then ThreadDpcEnable=0."));
  std::vector<TweakRow> rows = CpuTuneRows();
  PublishRows(rows);
  DwellPause(1200);
  StartRow(rows, 0);
  DwellPause(1600);
  // A Stop during the first row's dwells ends the step before anything is recorded.
  if (StepCancelled()) return false;
  // The applied flag comes before the first change, so whatever follows is restorable.
  if (!RecordScheme(kPpmPreviousScheme, *previous, keep) || !WriteBackupDword(kPpmApplied, 1)) {
    PrintError(Format(L"The previous power plan could not be recorded; nothing was changed."));
    return false;
  }

  std::wstring message;
  const bool switched = SwitchToUltimatePlan(message);
  SetRowState(rows, 0, switched ? kRowDone : kRowFailed, &message);
  PrintInfo(Format(L"  power plan: %ls", message.c_str()));
  DwellPause(600);
  if (StepCancelled()) return false;  // the switch is recorded, so uninstall undoes it

  const auto scheme = power.ActiveScheme();
  if (!scheme) {
    PrintError(Format(L"PowerGetActiveScheme failed; cannot apply PPM tweaks."));
    return false;
  }
  PowerTally tally;
  if (ClaimPowerScheme(kPpmScheme, *scheme, keep)) {
    const PowerWritePlan plan{kTag, kPpmPrefix, false, keep};
    if (!WritePowerSettings(*scheme, PpmCatalogue(), rows, 1, plan, tally)) return false;
    (void)power.SetActiveScheme(*scheme);
    (void)RunPowercfg(L"/setactive SCHEME_CURRENT");
  } else {
    PrintError(
        Format(L"The PPM values were recorded on another power plan, or this plan could "
               L"not be recorded; they are left as they are."));
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) rows[i].state = kRowFailed;
    tally.failed += static_cast<int>(rows.size() - 2);
    PublishRows(rows);
  }

  const std::size_t dpcRow = rows.size() - 1;
  StartRow(rows, dpcRow);
  ShowStepStatus(kTag, L"ThreadDpcEnable  \u2192  0");
  DwellPause(1800);
  if (StepCancelled()) return false;
  std::wstring detail;
  const bool dpc = DisableThreadedDpcs(keep, detail);
  SetRowState(rows, dpcRow, dpc ? kRowDone : kRowFailed, &detail);
  ++(dpc ? tally.written : tally.failed);
  DwellPause(600);

  if (tally.written > 0 || switched) {
    ReportApplied(tally);
    return true;
  }
  PrintError(Format(L"No CPU Tune setting could be written."));
  return false;
}

bool RestoreCpuTune() {
  const std::optional<bool> applied = StepApplied(kPpmApplied);
  if (!applied || !*applied) return applied.has_value();
  int restored = 0;
  bool complete =
      RestorePowerRecords(kPpmScheme, PpmCatalogue(), kPpmPrefix, L"PPM values", restored);
  complete = RestoreThreadedDpcs(restored) && complete;
  complete = RestorePreviousPlan() && complete;
  PrintInfo(Format(L"Restored %d PPM setting(s) to their previous values.", restored));
  return complete;
}
