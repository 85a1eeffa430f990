// The timer checks: the service that holds the period, the system-wide request flag, and
// what the kernel runs at now.
#include <memory>

#include "app/output.h"
#include "health/fixed_checks.h"
#include "health/health_rules.h"
#include "health/monitor_settings.h"
#include "platform/kernel_timer.h"
#include "platform/services.h"
#include "platform/system.h"
#include "service/service_control.h"
#include "service/service_values.h"

namespace {

constexpr wchar_t kTimerGroup[] = L"Timer Resolution";
// 0.05 ms: the distance at which a kernel period no longer counts as the saved one.
constexpr std::uint32_t kResolutionTolerance = 500;

enum class ServiceRead { kUnreadable, kNotInstalled, kStopped, kRunning };

ServiceRead ReadServiceState(platform::ServiceManagerHandle& manager, const wchar_t* name) {
  auto& services = platform::Sys().services;
  auto service = services.Open(manager, name, platform::service_access::kQueryStatus);
  if (!service) {
    return service.error().code == support::ErrorCode::kNotFound ? ServiceRead::kNotInstalled
                                                                 : ServiceRead::kUnreadable;
  }
  const auto status = services.QueryStatus(**service);
  if (!status) return ServiceRead::kUnreadable;
  return status->state == platform::ServiceRunState::kRunning ? ServiceRead::kRunning
                                                              : ServiceRead::kStopped;
}

}  // namespace

HealthCheck CheckTimerService() {
  HealthCheck check = NewHealthCheck(L"timer.service", kTimerGroup, L"Timer service", L"timer");
  check.expected = L"Veltrane service running";
  ServiceRead state = ServiceRead::kUnreadable;
  bool legacy = false;
  auto manager = platform::Sys().services.OpenManager(platform::manager_access::kConnect);
  if (manager) {
    state = ReadServiceState(**manager, kServiceName);
    if (state == ServiceRead::kNotInstalled) {
      state = ReadServiceState(**manager, kLegacyServiceName);
      legacy = true;
    }
  }
  switch (state) {
    case ServiceRead::kUnreadable:
      check.live = L"service control manager could not be queried";
      break;
    case ServiceRead::kRunning:
      check.live = legacy ? L"legacy Quantick service is running" : L"Veltrane service is running";
      break;
    case ServiceRead::kStopped:
      check.live = L"service is installed but not running";
      break;
    case ServiceRead::kNotInstalled:
      check.live = L"service is not installed";
      break;
  }
  const bool disabled = IsCheckDisabled(check.id);
  ApplyRuleA(check, disabled, state != ServiceRead::kUnreadable, state == ServiceRead::kRunning);
  if (!disabled && state == ServiceRead::kUnreadable) {
    check.explanation = L"The service state could not be read. That is not a pass.";
  }
  return check;
}

HealthCheck CheckGlobalTimerRequests() {
  HealthCheck check =
      NewHealthCheck(L"timer.global", kTimerGroup, L"System-wide timer requests", L"timer");
  check.expected = L"GlobalTimerResolutionRequests = 1";
  const auto value = ReadMachineDword(kKernelKey, kGlobalRequestsValue);
  check.live = value ? Format(L"GlobalTimerResolutionRequests = %u", *value) : L"value unreadable";
  ApplyRuleA(check, IsCheckDisabled(check.id), value.has_value(), value == 1u);
  if (check.status == HealthStatus::Passing) {
    check.explanation += L" A reboot is still required before this flag affects every process.";
  }
  return check;
}

HealthCheck CheckEffectiveResolution() {
  HealthCheck check =
      NewHealthCheck(L"timer.effective", kTimerGroup, L"Effective timer resolution", L"");
  if (MarkedDisabled(check)) return check;
  const auto range = platform::Sys().kernel_timer.Query();
  if (!range) {
    check.status = HealthStatus::Error;
    check.severity = 2;
    check.live = L"NtQueryTimerResolution failed";
    check.explanation = L"The effective resolution could not be read. That is not a pass.";
    return check;
  }
  const std::uint32_t current = range->current;
  const std::uint32_t configured = ReadProductDword(kDesiredResolution).value_or(0);
  check.live = Format(L"kernel reports %.4f ms", Ms(current));
  if (configured == 0) {
    check.status = HealthStatus::Informational;
    check.expected = L"no Veltrane resolution has been chosen";
    check.explanation =
        L"This is the kernel's current report. It is not a configured Veltrane request, and "
        L"this check does not hold a timer open.";
    return check;
  }
  check.expected = Format(L"configured %.4f ms", Ms(configured));
  // A kernel running finer than configured is serving another program's request on top of
  // ours: the saved period is met, and repairing it would change nothing.
  if (current > configured + kResolutionTolerance) {
    check.status = HealthStatus::NeedsAttention;
    check.severity = 1;
    check.repairStep = L"timer";
    check.explanation =
        L"The kernel is not currently reporting the saved resolution. The effective value can "
        L"also change when the service is stopped. This check did not hold a timer request "
        L"open.";
  } else if (configured > current + kResolutionTolerance) {
    check.status = HealthStatus::Passing;
    check.explanation =
        L"The kernel runs finer than the value Veltrane saved, because another program asked "
        L"for more. This check did not call NtSetTimerResolution.";
  } else {
    check.status = HealthStatus::Passing;
    check.explanation =
        L"The kernel's current resolution is close to the value Veltrane saved. This check did "
        L"not call NtSetTimerResolution.";
  }
  return check;
}
