// --apply: hold a period in this console process until Ctrl+C, close or shutdown.
#include <memory>
#include <mutex>

#include "app/output.h"
#include "measure/sampler.h"
#include "platform/console.h"
#include "platform/kernel_timer.h"
#include "platform/system.h"
#include "service/install.h"
#include "service/service_control.h"
#include "service/service_values.h"

namespace {

// The hold's wake-up, reachable from the console's control thread while it waits.
std::mutex g_hold_mutex;
std::shared_ptr<platform::WaitableEvent> g_hold_event;

void SetHoldEvent(std::shared_ptr<platform::WaitableEvent> event) {
  std::lock_guard lock(g_hold_mutex);
  g_hold_event = std::move(event);
}

}  // namespace

bool ConsoleBreakHandler() {
  std::lock_guard lock(g_hold_mutex);
  if (g_hold_event) g_hold_event->Set();
  return true;
}

int HoldResolutionInConsole(std::uint32_t resolution) {
  auto& sys = platform::Sys();
  // Without the kernel's range no period can be judged or clamped.
  const auto range = sys.kernel_timer.Query();
  if (!range) {
    PrintError(Format(L"NtQueryTimerResolution failed."));
    return 1;
  }
  // Step 2: 0 or a period the kernel cannot do means its finest.
  std::uint32_t target =
      resolution != 0 && resolution >= range->finest ? resolution : range->finest;
  if (range->coarsest != 0 && range->coarsest < target) target = range->coarsest;
  // Windows would stop honouring a windowless process's request unless told not to.
  KeepTimerRequestsHonoured();
  const auto current = sys.kernel_timer.Request(target, true);
  if (!current) {
    PrintError(Format(L"NtSetTimerResolution failed."));
    return 1;
  }
  PrintInfo(Format(L"Holding timer resolution at %.4f ms in this process. Ctrl+C to release.",
                   Ms(*current)));
  if (QueryTimerServiceState() == ServiceState::Running) {
    PrintInfo(
        Format(L"(The Veltrane service is also running; the lower of the two requests "
               L"wins.)"));
  }
  // Steps 6-7: the handler only wakes this thread, which releases the request itself.
  std::shared_ptr<platform::WaitableEvent> event = sys.services.NewEvent();
  SetHoldEvent(event);
  sys.console.SetBreakHandler([] { (void)ConsoleBreakHandler(); });
  event->Wait(platform::WaitableEvent::kForever);
  sys.console.SetBreakHandler({});
  SetHoldEvent(nullptr);
  (void)sys.kernel_timer.Request(target, false);
  PrintInfo(Format(L"\nResolution released."));
  return 0;
}
