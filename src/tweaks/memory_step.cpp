// Memory: a system-managed pagefile, and memory compression off; and turning compression
// back on at uninstall when it was on before.
#include <cwctype>
#include <vector>

#include "app/command_runner.h"
#include "app/output.h"
#include "platform/environment.h"
#include "platform/system.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"
#include "tweaks/small_step_catalogue.h"
#include "tweaks/small_steps.h"
#include "tweaks/step_output.h"

namespace {

constexpr std::uint32_t kWmicReadTimeoutMs = 15000;
constexpr std::uint32_t kWmicWriteTimeoutMs = 20000;
constexpr std::uint32_t kDisableTimeoutMs = 40000;
constexpr std::uint32_t kEnableTimeoutMs = 30000;
constexpr std::size_t kLongestComputerName = 63;

// Exit codes of the compression script: 0 it was on and is now off; 10 it was already
// off; 2 the cmdlets are missing; anything else the disable failed while it was on.
constexpr std::uint32_t kCompressionWasOff = 10;
constexpr std::uint32_t kCmdletMissing = 2;
constexpr wchar_t kDisableCompression[] =
    L"$a = Get-MMAgent -ErrorAction SilentlyContinue; if (-not $a) { exit 2 }; "
    L"if (-not $a.MemoryCompression) { exit 10 }; "
    L"Disable-MMAgent -MemoryCompression -ErrorAction Stop; exit 0";

// The name goes inside a quoted wmic filter: only the characters a computer name can have.
bool IsPlainComputerName(const std::wstring& name) {
  if (name.empty() || name.size() > kLongestComputerName) return false;
  for (wchar_t c : name) {
    if (!(std::iswalnum(c) && c < 0x80) && c != L'-' && c != L'_') return false;
  }
  return true;
}

bool SetManagedPagefile() {
  const auto name = platform::Sys().environment.ComputerName();
  if (!name || !IsPlainComputerName(*name)) return false;
  const std::wstring wmic = SystemToolPath(L"wbem\\wmic.exe");
  const std::wstring filter = L"computersystem where name=\"" + *name + L"\" ";
  (void)RunHidden(wmic, filter + L"get AutomaticManagedPagefile /value", kWmicReadTimeoutMs);
  return RunHidden(wmic, filter + L"set AutomaticManagedPagefile=True", kWmicWriteTimeoutMs) == 0;
}

// Whether compression must come back at uninstall is known only once the script has run;
// until then the record says it must, which is true of every ending but two.
bool DisableCompression(bool keep) {
  const bool recorded = keep && ReadBackupDword(kMemCompDisabled);
  if (!recorded && !WriteBackupDword(kMemCompDisabled, 1)) return false;
  const std::uint32_t code = RunPowerShell(kDisableCompression, kDisableTimeoutMs);
  if (!recorded && (code == kCompressionWasOff || code == kCmdletMissing)) {
    (void)WriteBackupDword(kMemCompDisabled, 0);
  }
  return code == 0 || code == kCompressionWasOff;
}

}  // namespace

bool ApplyMemory() {
  ShowStepItem(L"Memory",
               L"XMP/DOCP and timings live in BIOS, listed on the restart screen. In Windows we "
               L"make sure a pagefile exists so the kernel is not forced into a zero-pagefile "
               L"panic under load, and we turn off memory compression which trades CPU for RAM "
               L"and adds jitter.");
  ShowStepStatus(L"MEMORY", L"pagefile and memory compression");
  std::vector<TweakRow> rows = MemoryRows();
  PublishRows(rows);
  DwellPause(1000);
  const bool keep = StepApplied(kMemoryApplied);
  // The applied flag comes before the first change, so whatever follows is restorable.
  if (!WriteBackupDword(kMemoryApplied, 1)) {
    PrintError(Format(L"The memory settings could not be recorded; nothing was changed."));
    return false;
  }
  StartRow(rows, 0);
  DwellPause(1400);
  const bool pagefile = SetManagedPagefile();
  const std::wstring pagefileDetail =
      pagefile ? L"AutomaticManagedPagefile = True"
               : L"wmic could not set the pagefile (already managed, or WMIC removed)";
  SetRowState(rows, 0, pagefile ? kRowDone : kRowFailed, &pagefileDetail);
  PrintInfo(Format(L"  pagefile: %ls", pagefileDetail.c_str()));
  DwellPause(500);

  StartRow(rows, 1);
  DwellPause(1600);
  const bool compression = DisableCompression(keep);
  const std::wstring compressionDetail = compression
                                             ? L"MemoryCompression  \u2192  off"
                                             : L"Disable-MMAgent failed (MMAgent cmdlet missing?)";
  SetRowState(rows, 1, compression ? kRowDone : kRowFailed, &compressionDetail);
  PrintInfo(Format(L"  memory compression: %ls", compressionDetail.c_str()));
  DwellPause(600);
  return pagefile || compression;
}

bool RestoreMemory() {
  if (!StepApplied(kMemoryApplied) || !StepApplied(kMemCompDisabled)) return true;
  const std::uint32_t code =
      RunPowerShell(L"Enable-MMAgent -MemoryCompression -ErrorAction Stop", kEnableTimeoutMs);
  if (code != 0) {
    PrintError(Format(L"Could not re-enable memory compression (exit code %u).", code));
    return false;
  }
  PrintInfo(Format(L"Re-enabled memory compression."));
  return true;
}
