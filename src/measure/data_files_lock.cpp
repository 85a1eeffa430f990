#include "measure/data_files_lock.h"

#include "app/product.h"
#include "platform/clock.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kDataFilesMutex[] = L"Veltrane.DataFiles";
constexpr wchar_t kGlobalDataFilesMutex[] = L"Global\\Veltrane.DataFiles";
constexpr std::uint32_t kPollMs = 50;
constexpr std::uint32_t kWaitMs = 5000;

}  // namespace

std::mutex& DataFilesLock() {
  static std::mutex lock;
  return lock;
}

DataFilesHold::DataFilesHold() : local_(DataFilesLock()) {
  auto& sys = platform::Sys();
  for (std::uint32_t waited = 0;; waited += kPollMs) {
    auto shared = sys.instance_lock.AcquireForAdministrators(kInstanceNamespace, kDataFilesMutex);
    // Wine has no private namespaces; a global name is the best there is.
    if (!shared && shared.error().code == support::ErrorCode::kUnsupported) {
      shared = sys.instance_lock.Acquire(kGlobalDataFilesMutex);
    }
    if (shared) {
      shared_ = std::move(shared.value());
      held_ = true;
      return;
    }
    // An unelevated process cannot open the namespace, and cannot write the protected
    // folder either: its own files (a self-test in its temporary folder) need no more.
    if (shared.error().code == support::ErrorCode::kAccessDenied) {
      held_ = true;
      return;
    }
    if (shared.error().code != support::ErrorCode::kAlreadyExists || waited >= kWaitMs) return;
    sys.clock.Sleep(kPollMs);
  }
}
