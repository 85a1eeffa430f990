#include "platform/win32/kernel_timer_win32.h"

#include <windows.h>

#include "platform/win32/dll_export.h"

namespace platform {
namespace {

using NtQueryTimerResolutionFn = LONG(NTAPI*)(PULONG coarsest, PULONG finest, PULONG current);
using NtSetTimerResolutionFn = LONG(NTAPI*)(ULONG desired, BOOLEAN set, PULONG current);
using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

// Not in every SDK the program is built with.
constexpr int kProcessPowerThrottling = 4;
constexpr ULONG kPowerThrottlingCurrentVersion = 1;
constexpr ULONG kPowerThrottlingIgnoreTimerResolution = 0x4;
struct PowerThrottlingState {
  ULONG version;
  ULONG control_mask;
  ULONG state_mask;
};

void* Lookup(const wchar_t* module, const char* name) {
  return win32::BindExport<void*>(::GetModuleHandleW(module), name);
}

template <typename Fn>
Fn As(void* entry) {
  return reinterpret_cast<Fn>(entry);
}

support::PortError StatusError(LONG status, const wchar_t* call) {
  return support::Fail(support::ErrorCode::kFailed, call, static_cast<std::uint32_t>(status));
}

}  // namespace

Win32KernelTimer::Win32KernelTimer()
    : query_(Lookup(L"ntdll.dll", "NtQueryTimerResolution")),
      set_(Lookup(L"ntdll.dll", "NtSetTimerResolution")),
      set_process_information_(Lookup(L"kernel32.dll", "SetProcessInformation")) {}

support::Result<TimerRange> Win32KernelTimer::Query() {
  if (query_ == nullptr) {
    return support::Fail(support::ErrorCode::kUnsupported, L"NtQueryTimerResolution", 127);
  }
  ULONG coarsest = 0, finest = 0, current = 0;
  const LONG status = As<NtQueryTimerResolutionFn>(query_)(&coarsest, &finest, &current);
  if (status != 0) return StatusError(status, L"NtQueryTimerResolution");
  return TimerRange{coarsest, finest, current};
}

support::Result<std::uint32_t> Win32KernelTimer::Request(std::uint32_t period, bool set) {
  if (set_ == nullptr) {
    return support::Fail(support::ErrorCode::kUnsupported, L"NtSetTimerResolution", 127);
  }
  ULONG current = 0;
  const LONG status = As<NtSetTimerResolutionFn>(set_)(period, set ? TRUE : FALSE, &current);
  if (status != 0) return StatusError(status, L"NtSetTimerResolution");
  return std::uint32_t{current};
}

PriorityClass Win32KernelTimer::RaiseToRealtime() {
  // Without the increase-priority privilege Windows quietly grants HIGH instead.
  ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  switch (::GetPriorityClass(::GetCurrentProcess())) {
    case REALTIME_PRIORITY_CLASS:
      return PriorityClass::kRealtime;
    case HIGH_PRIORITY_CLASS:
      return PriorityClass::kHigh;
  }
  return PriorityClass::kOther;
}

bool Win32KernelTimer::IgnoreTimerResolutionThrottling() {
  if (set_process_information_ == nullptr) return false;
  PowerThrottlingState state{kPowerThrottlingCurrentVersion, kPowerThrottlingIgnoreTimerResolution,
                             0};
  return As<SetProcessInformationFn>(set_process_information_)(
             ::GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state) != FALSE;
}

}  // namespace platform
