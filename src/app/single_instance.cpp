#include "app/single_instance.h"

#include "app/output.h"
#include "app/product.h"
#include "platform/system.h"

support::Result<std::unique_ptr<platform::HeldMutex>> AcquireSingleInstance() {
  platform::InstanceLock& lock = platform::Sys().instance_lock;
  auto held = lock.AcquireForAdministrators(kInstanceNamespace, kInstanceMutexName);
  if (held || held.error().code != support::ErrorCode::kUnsupported) return held;
  // Real Windows always has private namespaces (an attacker cannot make this call fail
  // as unsupported); only Wine lacks them, where a global name is the best there is.
  AppendLog(Format(L"No private namespaces on this system; the single-instance lock uses %ls.",
                   kGlobalInstanceMutexName));
  return lock.Acquire(kGlobalInstanceMutexName);
}
