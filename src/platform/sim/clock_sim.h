// SimClock: virtual time. Nothing ever waits: Sleep moves time forward and returns.
// The performance counter runs at 10 MHz, so one count is one 100-ns unit, the unit of
// the kernel timer period; the tick count and local time follow the same time line.
// Thread-safe: the timer and service sims drive it from their own threads.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/clock.h"

namespace platform {

class SimClock final : public Clock {
 public:
  static constexpr std::int64_t kFrequency = 10'000'000;
  static constexpr std::int64_t kCountsPerMs = kFrequency / 1000;

  // Decides when a Sleep that starts at `now` (counter value) wakes; returns the wake
  // counter value (never earlier than `now`). The kernel timer sim installs one so that
  // Sleep(1) wakes on timer ticks; without one, Sleep(ms) takes exactly ms.
  using SleepModel = std::function<std::int64_t(std::int64_t now, std::uint32_t ms)>;

  SimClock();

  std::int64_t PerformanceCounter() override;
  std::int64_t PerformanceFrequency() override;
  std::uint64_t TickCount64() override;
  LocalTime Now() override;
  std::uint64_t UtcFileTime() override;  // the sim's local time zone is UTC
  void Sleep(std::uint32_t milliseconds) override;

  // Test controls.
  void Advance(std::uint64_t milliseconds);
  void AdvanceCounts(std::int64_t counts);  // 100-ns units
  // The local time at this instant; later readings run on from it.
  void SetLocalTime(const LocalTime& time);
  void SetSleepModel(SleepModel model);
  // Sum of all Sleep durations asked for, in milliseconds (not the time they took).
  std::uint64_t SleptMilliseconds();

 private:
  std::mutex mutex_;
  std::int64_t counter_;       // counts since boot
  std::int64_t local_base_s_;  // local time at counter 0, seconds since 1970-01-01
  std::uint64_t slept_ms_ = 0;
  SleepModel sleep_model_;
};

}  // namespace platform
