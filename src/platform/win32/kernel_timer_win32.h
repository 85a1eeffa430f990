// Win32KernelTimer: the kernel timer port on Windows. ntdll's timer calls are not in
// the import libraries and SetProcessInformation is missing before Windows 8 (and
// refuses the timer opt-out under Wine), so all three are looked up at run time; a
// missing function is a failed call, never a crash.
#pragma once

#include "platform/kernel_timer.h"

namespace platform {

class Win32KernelTimer final : public KernelTimer {
 public:
  Win32KernelTimer();

  support::Result<TimerRange> Query() override;
  support::Result<std::uint32_t> Request(std::uint32_t period, bool set) override;
  PriorityClass RaiseToRealtime() override;
  bool IgnoreTimerResolutionThrottling() override;

 private:
  // Raw entry points (nullptr when the export is missing); typed in the .cpp.
  void* query_ = nullptr;
  void* set_ = nullptr;
  void* set_process_information_ = nullptr;
};

}  // namespace platform
