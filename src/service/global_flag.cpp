#include "service/global_flag.h"

#include "app/output.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_values.h"

namespace {

constexpr wchar_t kFlagSaved[] = L"GlobalFlagSaved";
constexpr wchar_t kFlagHadValue[] = L"GlobalFlagHadValue";
constexpr wchar_t kFlagPrevious[] = L"GlobalFlagPrevious";

}  // namespace

void EnableGlobalTimerRequests() {
  const auto previous = ReadMachineDword(kKernelKey, kGlobalRequestsValue);
  // A later install must not overwrite the record with the value the first one wrote.
  if (!ReadProductDword(kFlagSaved)) {
    WriteProductDword(kFlagSaved, 1);
    WriteProductDword(kFlagHadValue, previous ? 1 : 0);
    WriteProductDword(kFlagPrevious, previous.value_or(0));
  }
  if (previous != 1u) {
    WriteMachineDword(kKernelKey, kGlobalRequestsValue, 1);
    PrintInfo(
        Format(L"Set GlobalTimerResolutionRequests=1 (system-wide requests; takes full "
               L"effect after the next reboot)."));
  }
}

void RestoreGlobalTimerRequests() {
  if (ReadProductDword(kFlagSaved).value_or(0) == 0) return;
  if (ReadProductDword(kFlagHadValue).value_or(0) != 0) {
    WriteMachineDword(kKernelKey, kGlobalRequestsValue,
                      ReadProductDword(kFlagPrevious).value_or(0));
  } else {
    (void)platform::Sys().registry.DeleteValue(
        {platform::Hive::kLocalMachine, kKernelKey, kGlobalRequestsValue});
  }
  PrintInfo(
      Format(L"Restored GlobalTimerResolutionRequests to its previous value (reboot to "
             L"revert the system-wide effect)."));
}
