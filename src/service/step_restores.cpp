// The tuning steps are not part of this build, so no backup of theirs can have been made
// by it. Each step's real restore lands with the step and replaces its function here; until
// then a flag left by another build is reported, never silently dropped.
#include "service/step_restores.h"

#include "app/output.h"
#include "service/service_values.h"

namespace {

bool RestoreUnavailable(const wchar_t* applied_flag, const wchar_t* step_title) {
  if (ReadProductDword(applied_flag).value_or(0) == 0) return true;
  PrintError(Format(L"Restoring the %ls settings is not available in this build yet.", step_title));
  return true;
}

}  // namespace

bool RestoreCpuTune() { return RestoreUnavailable(L"PpmApplied", L"CPU Tune"); }
bool RestoreGpuConfig() { return RestoreUnavailable(L"GpuApplied", L"GPU Config"); }
bool RestoreMemory() { return RestoreUnavailable(L"MemoryApplied", L"Memory"); }
bool RestoreStorage() { return RestoreUnavailable(L"StorageApplied", L"Storage"); }
