#include "health/health_summary.h"

#include <vector>

#include "app/output.h"
#include "health/health_self_test.h"

const wchar_t* HealthStatusName(HealthStatus status) {
  switch (status) {
    case HealthStatus::Passing:
      return L"Passing";
    case HealthStatus::NeedsAttention:
      return L"Needs attention";
    case HealthStatus::Informational:
      return L"Informational";
    case HealthStatus::Disabled:
      return L"Disabled";
    case HealthStatus::Unsupported:
      return L"Unsupported";
    case HealthStatus::Unknown:
      return L"Unknown";
    case HealthStatus::Inaccessible:
      return L"Inaccessible";
    case HealthStatus::Error:
      return L"Error";
    case HealthStatus::RestartRequired:
      return L"Restart required";
  }
  return L"Unknown";
}

bool NeedsAttention(HealthStatus status) {
  return status == HealthStatus::NeedsAttention || status == HealthStatus::Error ||
         status == HealthStatus::RestartRequired;
}

HealthSummary SummarizeHealth(std::span<const HealthCheck> checks) {
  HealthSummary s;
  for (const HealthCheck& c : checks) {
    switch (c.status) {
      case HealthStatus::Passing:
        ++s.passing;
        break;
      case HealthStatus::NeedsAttention:
      case HealthStatus::Error:
      case HealthStatus::RestartRequired:
        ++s.attention;
        break;
      case HealthStatus::Informational:
        ++s.informational;
        break;
      default:
        ++s.other;
        break;
    }
  }
  if (s.attention > 0) {
    s.text = Format(L"%d item%ls need attention.", s.attention, s.attention == 1 ? L"" : L"s");
  } else if (s.other == 0) {
    s.text = L"Nothing needs attention.";
  } else {
    s.text = L"No drifted tweaks. Some checks could not be completed.";
  }
  return s;
}

namespace {

HealthSummary SummaryOf(std::initializer_list<HealthStatus> statuses) {
  std::vector<HealthCheck> checks;
  for (HealthStatus status : statuses) {
    HealthCheck check;
    check.status = status;
    checks.push_back(check);
  }
  return SummarizeHealth(checks);
}

}  // namespace

int HealthRuleSelfTest() {
  int failures = 0;
  const HealthSummary a =
      SummaryOf({HealthStatus::Passing, HealthStatus::NeedsAttention, HealthStatus::Error});
  if (a.passing != 1 || a.attention != 2 || a.text.find(L'2') == std::wstring::npos) ++failures;
  const HealthSummary b =
      SummaryOf({HealthStatus::Passing, HealthStatus::Unknown, HealthStatus::Inaccessible});
  if (b.passing != 1 || b.attention != 0 || b.other != 2 ||
      b.text.find(L"could not") == std::wstring::npos) {
    ++failures;
  }
  return failures;
}
