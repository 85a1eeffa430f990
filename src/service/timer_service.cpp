#include "service/timer_service.h"

#include <memory>
#include <mutex>

#include "app/output.h"
#include "measure/aggregate.h"
#include "measure/sampler.h"
#include "platform/clock.h"
#include "platform/kernel_timer.h"
#include "platform/system.h"
#include "service/service_control.h"
#include "service/service_values.h"

namespace {

using platform::ServiceRunState;

constexpr std::uint32_t kReRequestMs = 30000;
constexpr std::uint32_t kSettleMs = 5;
constexpr std::uint32_t kWaitHintMs = 5000;
constexpr std::uint32_t kNoError = 0;

// Shared by the service main and the dispatcher's handler thread: the status handle and
// the stop event. The handler may arrive before the event exists.
struct ServiceRuntime {
  std::mutex mutex;
  std::unique_ptr<platform::ServiceStatusHandle> status;
  std::shared_ptr<platform::WaitableEvent> stop;
};

ServiceRuntime& Runtime() {
  static ServiceRuntime runtime;
  return runtime;
}

// DesiredResolution of the product key, then of the former product's key, then the
// kernel's finest period; a value of 0 counts as none.
std::uint32_t SavedResolution(std::uint32_t finest) {
  for (const wchar_t* key : {kProductKey, kLegacyProductKey}) {
    const auto saved = ReadMachineDword(key, kDesiredResolution);
    if (saved && *saved != 0) return *saved;
  }
  return finest;
}

std::uint32_t Clamp(std::uint32_t period, const platform::TimerRange& range) {
  if (period < range.finest) period = range.finest;
  if (range.coarsest != 0 && period > range.coarsest) period = range.coarsest;
  return period;
}

// What the kernel runs at a moment after a request, recorded as AppliedResolution.
std::uint32_t RecordApplied() {
  auto& sys = platform::Sys();
  sys.clock.Sleep(kSettleMs);
  const std::uint32_t current = sys.kernel_timer.Query().value_or(platform::TimerRange{}).current;
  WriteProductDword(kAppliedResolution, current);
  return current;
}

}  // namespace

void ReportServiceStatus(ServiceRunState state, std::uint32_t exit_code) {
  ServiceRuntime& runtime = Runtime();
  std::lock_guard lock(runtime.mutex);
  if (!runtime.status) return;
  const bool pending =
      state == ServiceRunState::kStartPending || state == ServiceRunState::kStopPending;
  platform::ServiceStatus status;
  status.state = state;
  status.controls_accepted =
      state == ServiceRunState::kRunning
          ? platform::service_accept::kStop | platform::service_accept::kShutdown
          : 0;
  status.win32_exit_code = exit_code;
  status.wait_hint_ms = kWaitHintMs;
  status.check_point = pending ? 1 : 0;
  (void)platform::Sys().services.SetStatus(*runtime.status, status);
}

std::uint32_t TimerServiceControlHandler(std::uint32_t control, std::uint32_t, void*, void*) {
  switch (control) {
    case platform::service_control::kStop:
    case platform::service_control::kShutdown: {
      ReportServiceStatus(ServiceRunState::kStopPending, 0);
      std::shared_ptr<platform::WaitableEvent> stop;
      {
        std::lock_guard lock(Runtime().mutex);
        stop = Runtime().stop;
      }
      if (stop) stop->Set();
      return kNoError;
    }
    case platform::service_control::kInterrogate:
      return kNoError;
    default:
      return platform::service_error::kCallNotImplemented;
  }
}

namespace {

// Steps 4-18 after the status handle exists; returns the exit code the service stops
// with (0 after a stop control, 1 when it cannot hold the period).
std::uint32_t HoldUntilStopped() {
  auto& sys = platform::Sys();
  ServiceRuntime& runtime = Runtime();
  // Step 4: without the event no stop control could ever reach the loop.
  std::shared_ptr<platform::WaitableEvent> stop = sys.services.NewEvent();
  if (!stop) {
    AppendLog(Format(L"service: CreateEvent failed; stopping"));
    return 1;
  }
  {
    std::lock_guard lock(runtime.mutex);
    runtime.stop = stop;
  }
  // Steps 5-8: the saved period, unless the aggregate of the saved runs knows better. An
  // unknown range would leave nothing to clamp to, and a request of 0 is never made.
  const auto queried = sys.kernel_timer.Query();
  if (!queried) {
    AppendLog(Format(L"service: NtQueryTimerResolution failed (status 0x%08X); stopping",
                     queried.error().win32_error));
    return 1;
  }
  const platform::TimerRange range = *queried;
  const std::uint32_t saved = SavedResolution(range.finest);
  const bool pinned = ReadProductDword(kResolutionPinned).value_or(0) != 0;
  std::uint32_t target = saved;
  bool from_aggregate = false;
  if (!pinned) {
    std::wstring why_not;
    const AggregateChoice choice = ServiceAggregateChoice(DataFolder(), why_not);
    if (!why_not.empty()) {
      AppendLog(Format(L"service: the aggregate is not used (%ls); the saved %.4f ms is held",
                       why_not.c_str(), Ms(saved)));
    }
    if (choice.resolution != 0 && choice.resolution != saved) {
      target = choice.resolution;
      from_aggregate = true;
      AppendLog(
          Format(L"service: %u runs saved; timer set to %.4f ms, the lowest aggregate score (saved "
                 L"%.4f ms)",
                 choice.runs, Ms(target), Ms(saved)));
    }
  }
  // The kernel refuses or rounds a period outside its range, and 0 would hold nothing.
  target = Clamp(target, range);
  if (target == 0) {
    AppendLog(Format(L"service: the kernel reports no period to hold; stopping"));
    return 1;
  }
  if (from_aggregate) WriteProductDword(kDesiredResolution, target);
  // Step 11: a service has no window, so Windows would otherwise stop honouring it.
  KeepTimerRequestsHonoured();
  // The record is cleared first, so nobody takes an earlier value for this request's.
  WriteProductDword(kAppliedResolution, 0);
  if (!sys.kernel_timer.Request(target, true)) {
    AppendLog(Format(L"service: NtSetTimerResolution failed"));
    return 1;
  }
  const std::uint32_t current = RecordApplied();
  AppendLog(Format(L"service: holding resolution %u (%.4f ms); kernel reports %.4f ms", target,
                   Ms(target), Ms(current)));
  ReportServiceStatus(ServiceRunState::kRunning, 0);
  // Step 17: another program may release or lower its own request at any time; asking
  // again keeps ours in place. A wait that fails would otherwise spin this loop.
  platform::WaitableEvent::Outcome outcome;
  while ((outcome = stop->WaitFor(kReRequestMs)) == platform::WaitableEvent::Outcome::kTimedOut) {
    (void)sys.kernel_timer.Request(target, true);
    (void)RecordApplied();
  }
  // The request ends with the service, and the record says that nothing is held.
  (void)sys.kernel_timer.Request(target, false);
  WriteProductDword(kAppliedResolution, 0);
  if (outcome == platform::WaitableEvent::Outcome::kFailed) {
    AppendLog(Format(L"service: waiting for the stop event failed; resolution released"));
    return 1;
  }
  AppendLog(Format(L"service: stopped, resolution released"));
  return 0;
}

// A line for the log that must not itself throw out of the service main.
void LogQuietly(const wchar_t* text) {
  try {
    AppendLog(text);
  } catch (...) {
  }
}

}  // namespace

void TimerServiceMain(std::uint32_t, wchar_t**) {
  // Nothing may escape into the dispatcher: the process would die without telling the
  // manager, and a damaged data file would then stop the service at every boot.
  try {
    auto& sys = platform::Sys();
    ServiceRuntime& runtime = Runtime();
    // Step 1: without a status handle the manager cannot be told anything.
    auto status =
        sys.services.RegisterControlHandler(kServiceName, TimerServiceControlHandler, nullptr);
    if (!status) return;
    {
      std::lock_guard lock(runtime.mutex);
      runtime.status = std::move(status).value();
      runtime.stop.reset();
    }
    // The manager waits for a first word within its start time-out; the hold may take longer.
    ReportServiceStatus(ServiceRunState::kStartPending, 0);
    AppendLog(Format(L"service: starting"));
    std::uint32_t exit_code = 1;
    try {
      exit_code = HoldUntilStopped();
    } catch (...) {
      // The kernel drops the request with the process, which ends after this stop.
      LogQuietly(L"service: stopped by an unexpected failure");
    }
    ReportServiceStatus(ServiceRunState::kStopped, exit_code);
  } catch (...) {
    LogQuietly(L"service: stopped by an unexpected failure");
    ReportServiceStatus(ServiceRunState::kStopped, 1);
  }
}

int RunTimerServiceDispatcher() {
  return platform::Sys().services.RunDispatcher(kServiceName, TimerServiceMain) ? 0 : 1;
}
