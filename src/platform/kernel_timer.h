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

// The process priority class Windows actually granted.
enum class PriorityClass { kRealtime, kHigh, kOther };

class KernelTimer {
 public:
  virtual ~KernelTimer() = default;
  // NtQueryTimerResolution. Errors: kUnsupported when ntdll lacks the export, kFailed
  // with the NTSTATUS in win32_error otherwise.
  virtual support::Result<TimerRange> Query() = 0;
  // NtSetTimerResolution(period, set): sets (set = true) or releases this process's
  // request and returns the period the kernel reports afterwards. The kernel runs at the
  // finest of all processes' requests, so the value may be finer than `period`; it may
  // also be coarser when the kernel rounds. Errors as Query.
  virtual support::Result<std::uint32_t> Request(std::uint32_t period, bool set) = 0;
  // Asks for the realtime priority class for the process and the highest priority for
  // the calling thread, then reports the class granted: Windows gives kHigh to a process
  // that lacks the privilege. Nothing is restored afterwards.
  virtual PriorityClass RaiseToRealtime() = 0;
  // Opts the process out of timer-resolution throttling (SetProcessInformation with
  // ProcessPowerThrottling, IGNORE_TIMER_RESOLUTION), so requests stay honoured while
  // the window is hidden. False when the function is missing or refuses (Wine, Windows
  // before 11); there is nothing else to do then.
  virtual bool IgnoreTimerResolutionThrottling() = 0;
};

}  // namespace platform
