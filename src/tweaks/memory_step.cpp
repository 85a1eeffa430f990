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
#include "tweaks/compression_record.h"
#include "tweaks/small_step_catalogue.h"
#include "tweaks/small_steps.h"
#include "tweaks/step_output.h"

namespace {

constexpr std::uint32_t kWmicReadTimeoutMs = 15000;
constexpr std::uint32_t kWmicWriteTimeoutMs = 20000;
constexpr std::uint32_t kDisableTimeoutMs = 40000;
constexpr std::uint32_t kEnableTimeoutMs = 30000;
constexpr std::size_t kLongestComputerName = 63;

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

// Compression comes back at uninstall only if it was on, so its state is asked and
// recorded before it is turned off; a state that cannot be read leaves it alone.
bool DisableCompression() {
  const CompressionState state = QueryCompression();
  if (state == CompressionState::kUnknown || !RecordCompressionOnce(state)) return false;
  if (state == CompressionState::kOff) return true;
  return RunPowerShell(L"Disable-MMAgent -MemoryCompression -ErrorAction Stop",
                       kDisableTimeoutMs) == 0;
}

}  // namespace

bool ApplyMemory() {
  std::vector<TweakRow> rows = MemoryRows();
  OpenStep(L"Memory",
           L"XMP/DOCP and timings live in BIOS, listed on the restart screen. In Windows we make "
           L"sure a pagefile exists so the kernel is not forced into a zero-pagefile panic under "
           L"load, and we turn off memory compression which trades CPU for RAM and adds jitter.",
           L"MEMORY", L"pagefile and memory compression", rows, 1000);
  // The applied flag comes before the first change, so whatever follows is restorable.
  if (!MarkStepApplied(kMemoryApplied, L"memory")) return false;
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
  const bool compression = DisableCompression();
  const std::wstring compressionDetail = compression
                                             ? L"MemoryCompression  \u2192  off"
                                             : L"Disable-MMAgent failed (MMAgent cmdlet missing?)";
  SetRowState(rows, 1, compression ? kRowDone : kRowFailed, &compressionDetail);
  PrintInfo(Format(L"  memory compression: %ls", compressionDetail.c_str()));
  DwellPause(600);
  return pagefile || compression;
}

bool RestoreMemory() {
  // The record may come from the memory hardening alone: it turns compression off too.
  const std::optional<bool> applied = StepApplied(kMemCompDisabled);
  if (!applied || !*applied) return applied.has_value();
  // Already on (a disable that never took, or the user turned it on): nothing to undo.
  if (QueryCompression() == CompressionState::kOn) return true;
  const std::uint32_t code =
      RunPowerShell(L"Enable-MMAgent -MemoryCompression -ErrorAction Stop", kEnableTimeoutMs);
  if (code != 0) {
    PrintError(Format(L"Could not re-enable memory compression (exit code %u).", code));
    return false;
  }
  PrintInfo(Format(L"Re-enabled memory compression."));
  return true;
}
