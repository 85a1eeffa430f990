// Win32Clock: QueryPerformanceCounter, GetTickCount64, GetLocalTime and Sleep.
#pragma once

#include "platform/clock.h"

namespace platform {

class Win32Clock final : public Clock {
 public:
  std::int64_t PerformanceCounter() override;
  std::int64_t PerformanceFrequency() override;
  std::uint64_t TickCount64() override;
  LocalTime Now() override;
  std::uint64_t UtcFileTime() override;
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace platform
