// --health: the summary, then one line per check.
#include "app/dispatch_targets.h"
#include "app/output.h"
#include "health/health_checks.h"
#include "health/health_summary.h"

int RunHealthCommand() {
  const std::vector<HealthCheck> checks = RunHealthChecks(nullptr);
  PrintInfo(SummarizeHealth(checks).text);
  for (const HealthCheck& check : checks) {
    PrintInfo(Format(L"  [%ls] %ls | %ls | %ls", HealthStatusName(check.status),
                     check.group.c_str(), check.title.c_str(), check.live.c_str()));
  }
  return 0;
}
