#include "service/global_flag.h"

#include "app/output.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_values.h"

namespace {

constexpr wchar_t kFlagSaved[] = L"GlobalFlagSaved";
constexpr wchar_t kFlagHadValue[] = L"GlobalFlagHadValue";
constexpr wchar_t kFlagPrevious[] = L"GlobalFlagPrevious";

platform::RegPath FlagPath() {
  return {platform::Hive::kLocalMachine, kKernelKey, kGlobalRequestsValue};
}

bool WriteRecord(const wchar_t* name, std::uint32_t value) {
  return platform::Sys()
      .registry.WriteDword({platform::Hive::kLocalMachine, kProductKey, name}, value)
      .ok();
}

}  // namespace

void EnableGlobalTimerRequests() {
  auto& registry = platform::Sys().registry;
  const auto previous = registry.ReadDword(FlagPath());
  if (!previous && previous.error().code == support::ErrorCode::kWrongType) {
    PrintError(
        Format(L"GlobalTimerResolutionRequests exists with a type other than REG_DWORD; "
               L"Veltrane leaves it as it is."));
    return;
  }
  // Only a value that is not there may be recorded as absent.
  if (!previous && previous.error().code != support::ErrorCode::kNotFound) {
    PrintError(
        Format(L"Could not read GlobalTimerResolutionRequests (error %u); it is left as "
               L"it is.",
               previous.error().win32_error));
    return;
  }
  // A later install must not overwrite the record with the value the first one wrote. The
  // saved flag goes last: it vouches for the records before it.
  if (!ReadProductDword(kFlagSaved)) {
    const bool recorded = WriteRecord(kFlagPrevious, previous ? *previous : 0) &&
                          WriteRecord(kFlagHadValue, previous ? 1 : 0) &&
                          WriteRecord(kFlagSaved, 1);
    if (!recorded) {
      PrintError(
          Format(L"Could not record GlobalTimerResolutionRequests before changing it; it "
                 L"is left as it is."));
      return;
    }
  }
  if (previous && *previous == 1) return;
  if (!registry.WriteDword(FlagPath(), 1)) {
    PrintError(Format(L"Could not set GlobalTimerResolutionRequests=1."));
    return;
  }
  PrintInfo(
      Format(L"Set GlobalTimerResolutionRequests=1 (system-wide requests; takes full "
             L"effect after the next reboot)."));
}

bool RestoreGlobalTimerRequests() {
  if (ReadProductDword(kFlagSaved).value_or(0) == 0) return true;
  auto& registry = platform::Sys().registry;
  bool restored = false;
  if (ReadProductDword(kFlagHadValue).value_or(0) != 0) {
    const auto previous = ReadProductDword(kFlagPrevious);
    restored = previous && registry.WriteDword(FlagPath(), *previous).ok();
  } else {
    const auto now = registry.ReadDword(FlagPath());
    // A value of another type was never the install's: it stays.
    if (!now && now.error().code == support::ErrorCode::kWrongType) return true;
    const support::Status deleted = registry.DeleteValue(FlagPath());
    restored = deleted.ok() || deleted.error().code == support::ErrorCode::kNotFound;
  }
  if (!restored) {
    PrintError(Format(L"Could not restore GlobalTimerResolutionRequests."));
    return false;
  }
  PrintInfo(
      Format(L"Restored GlobalTimerResolutionRequests to its previous value (reboot to "
             L"revert the system-wide effect)."));
  return true;
}
