// Win32KernelTimer: the kernel timer port on Windows.
#pragma once

#include "platform/kernel_timer.h"

namespace platform {

class Win32KernelTimer final : public KernelTimer {
 public:
  support::Result<TimerRange> Query() override {
    return support::Fail(support::ErrorCode::kUnsupported, L"NtQueryTimerResolution");
  }
  support::Result<std::uint32_t> Request(std::uint32_t, bool) override {
    return support::Fail(support::ErrorCode::kUnsupported, L"NtSetTimerResolution");
  }
  PriorityClass RaiseToRealtime() override { return PriorityClass::kOther; }
  bool IgnoreTimerResolutionThrottling() override { return false; }
};

}  // namespace platform
