#include "platform/sim/kernel_timer_sim.h"

#include <algorithm>

namespace platform {
namespace {

// NTSTATUS values the real calls return.
constexpr std::uint32_t kStatusTimerResolutionNotSet = 0xC0000245;

}  // namespace

double WakeModel::MissRate(std::uint32_t period) const {
  if (period < band_start) return miss_below;
  if (period >= band_end) return miss_above;
  const double through = static_cast<double>(period - band_start) / (band_end - band_start);
  return miss_below + (miss_above - miss_below) * through;
}

WakeModel WakeModel::Clean() { return WakeModel{}; }

WakeModel WakeModel::NoisyWideBand() {
  WakeModel m;
  m.band_start = 5000;
  m.band_end = 5500;
  m.miss_below = 0.2;
  m.miss_above = 0;
  m.latency_min = 20;
  m.latency_max = 120;
  return m;
}

SimKernelTimer::SimKernelTimer(SimClock& clock) : clock_(clock) {
  clock_.SetSleepModel([this](std::int64_t now, std::uint32_t ms) { return WakeAfter(now, ms); });
}

SimKernelTimer::~SimKernelTimer() { clock_.SetSleepModel(nullptr); }

std::uint32_t SimKernelTimer::CurrentLocked(std::int64_t now) const {
  std::uint32_t current = 0;
  if (own_) {
    std::uint32_t own = std::clamp(*own_, limits_.finest, limits_.coarsest);
    if (round_to_ != 0) own = (own + round_to_ - 1) / round_to_ * round_to_;
    current = own;
  }
  const bool other_now =
      other_ != 0 && (other_cycle_ == 0 || (now - other_since_) % other_cycle_ < other_on_);
  if (other_now) current = current == 0 ? other_ : std::min(current, other_);
  return current == 0 ? limits_.current : current;
}

std::int64_t SimKernelTimer::WakeAfter(std::int64_t now, std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  const std::int64_t period = CurrentLocked(now);
  const std::int64_t due = now + std::int64_t{ms} * SimClock::kCountsPerMs;
  std::int64_t tick = (due + period - 1) / period * period;
  std::uniform_real_distribution<double> chance(0, 1);
  if (chance(random_) < model_.MissRate(static_cast<std::uint32_t>(period))) tick += period;
  std::uniform_int_distribution<std::uint32_t> latency(model_.latency_min, model_.latency_max);
  return tick + latency(random_);
}

support::Result<TimerRange> SimKernelTimer::Query() {
  const std::int64_t now = clock_.PerformanceCounter();
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(TimerOp::kQuery, L"NtQueryTimerResolution")) return *fault;
  return TimerRange{limits_.coarsest, limits_.finest, CurrentLocked(now)};
}

support::Result<std::uint32_t> SimKernelTimer::Request(std::uint32_t period, bool set) {
  const std::int64_t now = clock_.PerformanceCounter();
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(set ? TimerOp::kSet : TimerOp::kRelease, L"NtSetTimerResolution")) {
    return *fault;
  }
  if (!ignore_requests_) {
    if (set) {
      own_ = period;
      ++sets_;
    } else if (own_) {
      own_.reset();
    } else {
      ++stray_releases_;
      return support::Fail(support::ErrorCode::kFailed, L"NtSetTimerResolution",
                           kStatusTimerResolutionNotSet);
    }
  } else if (set) {
    ++sets_;
  }
  return CurrentLocked(now);
}

PriorityClass SimKernelTimer::RaiseToRealtime() {
  std::lock_guard lock(mutex_);
  priority_ = granted_;
  return priority_;
}

bool SimKernelTimer::IgnoreTimerResolutionThrottling() {
  std::lock_guard lock(mutex_);
  opted_out_ = opt_out_works_;
  return opted_out_;
}

void SimKernelTimer::SetRange(std::uint32_t coarsest, std::uint32_t finest, std::uint32_t idle) {
  std::lock_guard lock(mutex_);
  limits_ = TimerRange{coarsest, finest, idle};
}

void SimKernelTimer::HoldElsewhere(std::uint32_t period, std::uint32_t on_ms,
                                   std::uint32_t off_ms) {
  const std::int64_t now = clock_.PerformanceCounter();
  std::lock_guard lock(mutex_);
  other_ = period;
  const bool cycles = on_ms != 0 && off_ms != 0;
  other_on_ = cycles ? std::int64_t{on_ms} * SimClock::kCountsPerMs : 0;
  other_cycle_ = cycles ? std::int64_t{on_ms + off_ms} * SimClock::kCountsPerMs : 0;
  other_since_ = now;
}

void SimKernelTimer::RoundRequestsUp(std::uint32_t multiple) {
  std::lock_guard lock(mutex_);
  round_to_ = multiple;
}

void SimKernelTimer::IgnoreRequests(bool ignore) {
  std::lock_guard lock(mutex_);
  ignore_requests_ = ignore;
}

void SimKernelTimer::SetWakeModel(const WakeModel& model) {
  std::lock_guard lock(mutex_);
  model_ = model;
}

void SimKernelTimer::Seed(std::uint64_t seed) {
  std::lock_guard lock(mutex_);
  random_.seed(seed);
}

void SimKernelTimer::SetPriorityGranted(PriorityClass granted) {
  std::lock_guard lock(mutex_);
  granted_ = granted;
}

void SimKernelTimer::SetThrottlingOptOut(bool works) {
  std::lock_guard lock(mutex_);
  opt_out_works_ = works;
}

void SimKernelTimer::FailNext(TimerOp op, support::ErrorCode code) {
  std::lock_guard lock(mutex_);
  faults_.Add(op, code, 0);
}

std::optional<std::uint32_t> SimKernelTimer::OwnRequest() {
  std::lock_guard lock(mutex_);
  return own_;
}

std::uint32_t SimKernelTimer::Sets() {
  std::lock_guard lock(mutex_);
  return sets_;
}

std::uint32_t SimKernelTimer::ReleasesWithoutRequest() {
  std::lock_guard lock(mutex_);
  return stray_releases_;
}

bool SimKernelTimer::ThrottlingOptedOut() {
  std::lock_guard lock(mutex_);
  return opted_out_;
}

PriorityClass SimKernelTimer::PriorityNow() {
  std::lock_guard lock(mutex_);
  return priority_;
}

}  // namespace platform
