#include "platform/sim/clock_sim.h"

#include <chrono>
#include <utility>

namespace platform {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

// The sim boots an hour before 2024-05-01 12:00:00, so tick counts and local times are
// neither zero nor a day boundary; tests that care set their own time.
constexpr std::int64_t kBootCounter = 3600 * SimClock::kFrequency;

std::int64_t SecondsOf(const LocalTime& t) {
  const sys_days day = year_month_day{std::chrono::year{static_cast<int>(t.year)},
                                      std::chrono::month{t.month}, std::chrono::day{t.day}};
  return static_cast<std::int64_t>(day.time_since_epoch().count()) * 86400 + t.hour * 3600 +
         t.minute * 60 + t.second;
}

LocalTime TimeOf(std::int64_t seconds) {
  const std::int64_t day_count = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const std::int64_t in_day = seconds - day_count * 86400;
  const year_month_day ymd{sys_days{days{day_count}}};
  LocalTime t;
  t.year = static_cast<unsigned>(static_cast<int>(ymd.year()));
  t.month = static_cast<unsigned>(ymd.month());
  t.day = static_cast<unsigned>(ymd.day());
  t.hour = static_cast<unsigned>(in_day / 3600);
  t.minute = static_cast<unsigned>(in_day / 60 % 60);
  t.second = static_cast<unsigned>(in_day % 60);
  return t;
}

}  // namespace

SimClock::SimClock()
    : counter_(kBootCounter),
      local_base_s_(SecondsOf(LocalTime{2024, 5, 1, 12, 0, 0}) - kBootCounter / kFrequency) {}

std::int64_t SimClock::PerformanceCounter() {
  std::lock_guard lock(mutex_);
  return counter_;
}

std::int64_t SimClock::PerformanceFrequency() { return kFrequency; }

std::uint64_t SimClock::TickCount64() {
  std::lock_guard lock(mutex_);
  return static_cast<std::uint64_t>(counter_ / kCountsPerMs);
}

LocalTime SimClock::Now() {
  std::lock_guard lock(mutex_);
  return TimeOf(local_base_s_ + counter_ / kFrequency);
}

std::uint64_t SimClock::UtcFileTime() {
  constexpr std::int64_t kUnixEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
  constexpr std::int64_t kUnitsPerSecond = 10000000;
  std::lock_guard lock(mutex_);
  return static_cast<std::uint64_t>((local_base_s_ + kUnixEpochSeconds) * kUnitsPerSecond +
                                    counter_ * (kUnitsPerSecond / kFrequency));
}

void SimClock::Sleep(std::uint32_t milliseconds) {
  // The model is called without the lock: it may read other sims that read the clock.
  SleepModel model;
  std::int64_t start;
  {
    std::lock_guard lock(mutex_);
    model = sleep_model_;
    start = counter_;
    slept_ms_ += milliseconds;
  }
  const std::int64_t wake =
      model ? model(start, milliseconds) : start + std::int64_t{milliseconds} * kCountsPerMs;
  std::lock_guard lock(mutex_);
  // Another thread may have moved time past the wake point already; time never goes back.
  if (wake > counter_) counter_ = wake;
}

void SimClock::Advance(std::uint64_t milliseconds) {
  AdvanceCounts(static_cast<std::int64_t>(milliseconds) * kCountsPerMs);
}

void SimClock::AdvanceCounts(std::int64_t counts) {
  std::lock_guard lock(mutex_);
  if (counts > 0) counter_ += counts;
}

void SimClock::SetLocalTime(const LocalTime& time) {
  std::lock_guard lock(mutex_);
  local_base_s_ = SecondsOf(time) - counter_ / kFrequency;
}

void SimClock::SetSleepModel(SleepModel model) {
  std::lock_guard lock(mutex_);
  sleep_model_ = std::move(model);
}

std::uint64_t SimClock::SleptMilliseconds() {
  std::lock_guard lock(mutex_);
  return slept_ms_;
}

}  // namespace platform
