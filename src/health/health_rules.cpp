#include "health/health_rules.h"

#include "health/monitor_settings.h"
#include "platform/clock.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kLive[] = L"Live. This tweak is currently applied.";
constexpr wchar_t kUnreadable[] = L"The live value could not be read. That is not a pass.";

void Set(HealthCheck& check, HealthStatus status, int severity, const wchar_t* explanation) {
  check.status = status;
  check.severity = severity;
  check.explanation = explanation;
}

}  // namespace

HealthCheck NewHealthCheck(const wchar_t* id, const wchar_t* group, const wchar_t* title,
                           const wchar_t* repairStep) {
  HealthCheck check;
  check.id = id;
  check.group = group;
  check.title = title;
  check.repairStep = repairStep;
  check.checkedAt = platform::Sys().clock.UtcFileTime();
  return check;
}

void MarkDisabled(HealthCheck& check) {
  Set(check, HealthStatus::Disabled, 0, L"This check is turned off in Settings.");
  check.repairStep.clear();
}

bool MarkedDisabled(HealthCheck& check) {
  if (!IsCheckDisabled(check.id)) return false;
  MarkDisabled(check);
  return true;
}

void ApplyRuleA(HealthCheck& check, bool disabled, bool readOk, bool live) {
  if (disabled) {
    Set(check, HealthStatus::Disabled, 0,
        L"This check is turned off in Settings. Veltrane is not treating it as healthy or "
        L"failed.");
    check.repairStep.clear();
  } else if (!readOk) {
    Set(check, HealthStatus::Inaccessible, 1, kUnreadable);
  } else if (!live) {
    Set(check, HealthStatus::NeedsAttention, 1,
        L"Not live. The setting has changed, or it was never applied. Repair puts the Veltrane "
        L"value back.");
  } else {
    Set(check, HealthStatus::Passing, 0, kLive);
    check.repairStep.clear();
  }
}

void ApplyRuleB(HealthCheck& check, const RuleBInput& in) {
  if (in.disabled) {
    MarkDisabled(check);
  } else if (in.unsupported) {
    Set(check, HealthStatus::Unsupported, 0,
        L"This processor or device does not expose this setting.");
  } else if (in.readOk && in.live) {
    Set(check, HealthStatus::Passing, 0, kLive);
  } else if (in.readOk && in.stepWanted) {
    Set(check, HealthStatus::NeedsAttention, 1, L"Not live. Repair puts the Veltrane value back.");
  } else if (in.readOk) {
    Set(check, HealthStatus::Informational, 0,
        L"You left this step off. It is not currently applied.");
  } else {
    Set(check, HealthStatus::Inaccessible, 1, kUnreadable);
  }
  if (check.status != HealthStatus::NeedsAttention && check.status != HealthStatus::Inaccessible) {
    check.repairStep.clear();
  }
}
