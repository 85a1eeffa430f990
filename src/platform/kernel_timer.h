// KernelTimer port: the system timer period (100-ns units) and the process settings
// that keep a request honoured. Owned by the measurement engine; see its adapters.
#pragma once

#include <cstdint>

#include "support/result.h"

namespace platform {

// NtQueryTimerResolution's three values, in its argument order.
struct TimerRange {
  std::uint32_t coarsest = 0;  // largest period the kernel runs at (typically 156250)
  std::uint32_t finest = 0;    // smallest period it accepts
  std::uint32_t current = 0;   // the period the timer runs at now
};

class KernelTimer {
 public:
  virtual ~KernelTimer() = default;
  // NtQueryTimerResolution; a missing export or a non-zero status is an error.
  virtual support::Result<TimerRange> Query() = 0;
  // NtSetTimerResolution(period, set): returns the current period the kernel reports.
  virtual support::Result<std::uint32_t> Request(std::uint32_t period, bool set) = 0;
};

}  // namespace platform
