#include "health/startup_guard.h"

#include "app/dispatch_targets.h"
#include "app/output.h"
#include "health/guard_task.h"
#include "health/hardening.h"
#include "service/service_values.h"

namespace {

bool IsGuarded(const wchar_t* flag) { return ReadProductDword(flag).value_or(0) != 0; }

}  // namespace

int RunStartupGuard() {
  AppendLog(L"Startup guard");
  if (IsGuarded(kGuardTimer)) HardenTimer();
  if (IsGuarded(kGuardPpm)) WritePowerTableEverywhere(PowerArea::kProcessor);
  if (IsGuarded(kGuardStorage)) {
    WritePowerTableEverywhere(PowerArea::kStorage);
    PinServiceDisabled(L"SysMain");
  }
  if (IsGuarded(kGuardGpu)) LockGraphics();
  if (IsGuarded(kGuardMemory)) DisableMemoryCompression();
  return 0;
}

int RunGuardCommand() { return RunStartupGuard(); }
