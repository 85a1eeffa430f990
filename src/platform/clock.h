// Clock port: the performance counter, tick count, local time and Sleep.
// The sim's clock is virtual: Sleep advances it without waiting.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t PerformanceCounter() = 0;    // QueryPerformanceCounter
  virtual std::int64_t PerformanceFrequency() = 0;  // counts per second, > 0
  virtual std::uint64_t TickCount64() = 0;          // milliseconds since boot
  virtual LocalTime Now() = 0;                      // GetLocalTime
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // GetSystemTimeAsFileTime: 100-ns units since 1601-01-01 UTC.
  virtual std::uint64_t UtcFileTime() = 0;
};

}  // namespace platform
