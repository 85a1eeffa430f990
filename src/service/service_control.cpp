#include "service/service_control.h"

#include <optional>

#include "platform/clock.h"
#include "platform/system.h"

namespace {

using platform::ServiceRunState;
namespace access = platform::service_access;

constexpr std::uint32_t kPollMs = 200;
constexpr std::uint32_t kLegacyStopWaitMs = 8000;

// The manager with connect access, or nullptr when it cannot be opened.
std::unique_ptr<platform::ServiceManagerHandle> ConnectToManager() {
  auto manager = platform::Sys().services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return nullptr;
  return std::move(manager).value();
}

std::unique_ptr<platform::ServiceHandle> OpenByName(platform::ServiceManagerHandle& manager,
                                                    const std::wstring& name,
                                                    std::uint32_t rights) {
  auto service = platform::Sys().services.Open(manager, name, rights);
  if (!service) return nullptr;
  return std::move(service).value();
}

// A service that could not be opened because it does not exist (not for lack of rights).
bool IsMissing(platform::ServiceManagerHandle& manager, const std::wstring& name) {
  auto service = platform::Sys().services.Open(manager, name, access::kQueryStatus);
  return !service && service.error().code == support::ErrorCode::kNotFound;
}

// The state of the first of the two names that opens; nullopt when neither does.
std::optional<ServiceState> StateOf(platform::ServiceManagerHandle& manager,
                                    const std::wstring& name) {
  auto service = OpenByName(manager, name, access::kQueryStatus);
  if (!service) return std::nullopt;
  auto status = platform::Sys().services.QueryStatus(*service);
  if (status && status->state == ServiceRunState::kRunning) return ServiceState::Running;
  return ServiceState::Stopped;
}

}  // namespace

bool ServiceExists(const std::wstring& name) {
  auto manager = ConnectToManager();
  return manager && OpenByName(*manager, name, access::kQueryStatus) != nullptr;
}

bool IsServiceRunning(const std::wstring& name) {
  auto manager = ConnectToManager();
  return manager && StateOf(*manager, name) == ServiceState::Running;
}

std::uint32_t ServiceProcessId(const std::wstring& name) {
  auto manager = ConnectToManager();
  if (!manager) return 0;
  auto service = OpenByName(*manager, name, access::kQueryStatus);
  if (!service) return 0;
  const auto status = platform::Sys().services.QueryStatus(*service);
  return status && status->state == ServiceRunState::kRunning ? status->process_id : 0;
}

bool IsTimerServiceInstalled() { return QueryTimerServiceState() != ServiceState::NotInstalled; }

ServiceState QueryTimerServiceState() {
  auto manager = ConnectToManager();
  if (!manager) return ServiceState::NotInstalled;
  for (const wchar_t* name : {kServiceName, kLegacyServiceName}) {
    if (auto state = StateOf(*manager, name)) return *state;
  }
  return ServiceState::NotInstalled;
}

bool WaitForServiceState(platform::ServiceHandle& service, ServiceRunState state,
                         std::uint32_t timeout_ms) {
  auto& sys = platform::Sys();
  for (std::uint32_t waited = 0;; waited += kPollMs) {
    auto status = sys.services.QueryStatus(service);
    if (!status) return false;
    if (status->state == state) return true;
    if (waited >= timeout_ms) return false;
    sys.clock.Sleep(kPollMs);
  }
}

bool StopServiceByName(const std::wstring& name) {
  auto manager = ConnectToManager();
  if (!manager) return false;
  auto service = OpenByName(*manager, name, access::kStop | access::kQueryStatus);
  if (!service) return IsMissing(*manager, name);
  // The control fails for a service that is already stopped; the wait tells the truth.
  (void)platform::Sys().services.Control(*service, platform::service_control::kStop);
  return WaitForServiceState(*service, ServiceRunState::kStopped, kServiceWaitMs);
}

bool StartServiceByName(const std::wstring& name) {
  auto manager = ConnectToManager();
  if (!manager) return false;
  auto service = OpenByName(*manager, name, access::kStart | access::kQueryStatus);
  if (!service) return false;
  const support::Status started = platform::Sys().services.Start(*service);
  if (!started && started.error().win32_error != platform::service_error::kAlreadyRunning) {
    return false;
  }
  return WaitForServiceState(*service, ServiceRunState::kRunning, kServiceWaitMs);
}

support::Status StopAndDeleteService(const std::wstring& name, std::uint32_t stop_wait_ms) {
  auto manager = ConnectToManager();
  if (!manager) return support::Fail(support::ErrorCode::kAccessDenied, L"OpenSCManager");
  auto& services = platform::Sys().services;
  auto service =
      services.Open(*manager, name, access::kDelete | access::kStop | access::kQueryStatus);
  if (!service) return service.error();
  (void)services.Control(**service, platform::service_control::kStop);
  // Deletion waits for the stop anyway; a slow stop must not keep the service.
  (void)WaitForServiceState(**service, ServiceRunState::kStopped, stop_wait_ms);
  return services.Delete(**service);
}

bool RemoveLegacyService() {
  const support::Status deleted = StopAndDeleteService(kLegacyServiceName, kLegacyStopWaitMs);
  return deleted || deleted.error().code == support::ErrorCode::kNotFound ||
         deleted.error().win32_error == platform::service_error::kMarkedForDelete;
}
