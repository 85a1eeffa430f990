#include "health/health_checks.h"

#include "app/output.h"
#include "health/fixed_checks.h"
#include "health/health_summary.h"
#include "health/tweak_checks.h"

namespace {

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

using CheckFunction = HealthCheck (*)();

constexpr CheckFunction kChecksBeforeTweaks[] = {
    CheckTimerService, CheckGlobalTimerRequests, CheckEffectiveResolution, CheckDisplayDriver,
    CheckAfterburner,  CheckRivaTuner,           CheckAfterburnerTask,     CheckPagingFile,
    CheckMemoryCompression,
};
constexpr CheckFunction kChecksAfterTweaks[] = {CheckSysMain, CheckTrim};

// Adds the result of every check in `checks` until a cancel; false once cancelled.
template <typename Checks>
bool RunEach(const Checks& checks, std::vector<HealthCheck>& results,
             const std::atomic<bool>* cancel) {
  for (const CheckFunction check : checks) {
    if (Cancelled(cancel)) return false;
    HealthCheck result = check();
    if (Cancelled(cancel)) return false;
    results.push_back(std::move(result));
  }
  return true;
}

}  // namespace

void AppendHealthLog(const std::wstring& text) { AppendLog(L"health  " + text); }

std::vector<HealthCheck> RunHealthChecks(const std::atomic<bool>* cancel) {
  std::vector<HealthCheck> results;
  if (!RunEach(kChecksBeforeTweaks, results, cancel)) return results;
  if (!AppendTweakChecks(results, cancel)) return results;
  if (!RunEach(kChecksAfterTweaks, results, cancel)) return results;
  AppendHealthLog(SummarizeHealth(results).text);
  return results;
}
