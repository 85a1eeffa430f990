// Services port: the Service Control Manager, the service dispatcher and the waitable
// event a service main sleeps on. Handles are objects: dropping one closes it, so an early
// return cannot leak a manager or service handle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/result.h"

namespace platform {

// SERVICE_STOPPED .. SERVICE_PAUSED, with Windows' numbers.
enum class ServiceRunState : std::uint32_t {
  kStopped = 1,
  kStartPending = 2,
  kStopPending = 3,
  kRunning = 4,
  kContinuePending = 5,
  kPausePending = 6,
  kPaused = 7,
};

// SERVICE_CONTROL_* codes, with Windows' numbers.
namespace service_control {
inline constexpr std::uint32_t kStop = 1;
inline constexpr std::uint32_t kPause = 2;
inline constexpr std::uint32_t kContinue = 3;
inline constexpr std::uint32_t kInterrogate = 4;
inline constexpr std::uint32_t kShutdown = 5;
}  // namespace service_control

// SERVICE_ACCEPT_* bits.
namespace service_accept {
inline constexpr std::uint32_t kStop = 0x1;
inline constexpr std::uint32_t kPauseContinue = 0x2;
inline constexpr std::uint32_t kShutdown = 0x4;
}  // namespace service_accept

// Access rights asked of the manager (SC_MANAGER_*).
namespace manager_access {
inline constexpr std::uint32_t kConnect = 0x1;
inline constexpr std::uint32_t kCreateService = 0x2;
}  // namespace manager_access

// Access rights asked of one service (SERVICE_*).
namespace service_access {
inline constexpr std::uint32_t kQueryConfig = 0x1;
inline constexpr std::uint32_t kChangeConfig = 0x2;
inline constexpr std::uint32_t kQueryStatus = 0x4;
inline constexpr std::uint32_t kStart = 0x10;
inline constexpr std::uint32_t kStop = 0x20;
inline constexpr std::uint32_t kPauseContinue = 0x40;
inline constexpr std::uint32_t kInterrogate = 0x80;
inline constexpr std::uint32_t kDelete = 0x10000;
inline constexpr std::uint32_t kAll = 0xF01FF;
}  // namespace service_access

// The Windows error numbers the callers tell apart (they arrive in PortError::win32_error).
namespace service_error {
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kCallNotImplemented = 120;
inline constexpr std::uint32_t kInvalidControl = 1052;
inline constexpr std::uint32_t kRequestTimeout = 1053;
inline constexpr std::uint32_t kAlreadyRunning = 1056;
inline constexpr std::uint32_t kDisabled = 1058;
inline constexpr std::uint32_t kDoesNotExist = 1060;
inline constexpr std::uint32_t kNotActive = 1062;
inline constexpr std::uint32_t kNoDispatcher = 1063;  // not started by the manager
inline constexpr std::uint32_t kProcessAborted = 1067;
inline constexpr std::uint32_t kMarkedForDelete = 1072;
inline constexpr std::uint32_t kExists = 1073;
}  // namespace service_error

// SERVICE_STATUS. The service type is always "own process".
struct ServiceStatus {
  ServiceRunState state = ServiceRunState::kStopped;
  std::uint32_t controls_accepted = 0;
  std::uint32_t win32_exit_code = 0;
  std::uint32_t check_point = 0;
  std::uint32_t wait_hint_ms = 0;
  std::uint32_t process_id = 0;  // of a running service; 0 when it does not run
};

enum class ServiceStartType : std::uint32_t { kAuto = 2, kDemand = 3, kDisabled = 4 };

// What CreateServiceW / ChangeServiceConfigW write: an own-process service with normal
// error control. The account is LocalSystem at creation and left alone on change.
struct ServiceConfig {
  std::wstring display_name;
  std::wstring binary_path;  // the command line, quotes included
  ServiceStartType start_type = ServiceStartType::kAuto;
};

// SERVICE_FAILURE_ACTIONS with restart actions only; the reboot message and the command
// are cleared.
struct FailureActions {
  std::uint32_t reset_period_s = 0;
  std::vector<std::uint32_t> restart_delays_ms;
  // SERVICE_FAILURE_ACTIONS_FLAG: the actions also run when the service stops itself with
  // a non-zero exit code, not only when its process dies.
  bool on_non_crash_failures = false;
};

// SERVICE_SID_INFO: whether the service's token carries its own service SID, and whether
// that token is write-restricted to objects granting the SID.
enum class ServiceSidType : std::uint32_t { kNone = 0, kUnrestricted = 1, kRestricted = 3 };

class ServiceManagerHandle {
 public:
  virtual ~ServiceManagerHandle() = default;
};

class ServiceHandle {
 public:
  virtual ~ServiceHandle() = default;
};

// What RegisterServiceCtrlHandlerExW returns; never closed.
class ServiceStatusHandle {
 public:
  virtual ~ServiceStatusHandle() = default;
};

// A manual-reset event, initially not signalled (CreateEventW).
class WaitableEvent {
 public:
  static constexpr std::uint32_t kForever = 0xFFFFFFFF;
  virtual ~WaitableEvent() = default;
  virtual void Set() = 0;
  // True when the event is (or becomes) signalled, false when `timeout_ms` passes.
  // The sim's time-outs pass only when a test lets them (see SimServices).
  virtual bool Wait(std::uint32_t timeout_ms) = 0;
  enum class Outcome { kSignalled, kTimedOut, kFailed };
  // As Wait, but a wait that failed (WAIT_FAILED) is told apart from a time-out.
  virtual Outcome WaitFor(std::uint32_t timeout_ms) = 0;
};

// The handler shape of RegisterServiceCtrlHandlerExW; returns a Windows error number.
using ServiceControlHandler = std::uint32_t (*)(std::uint32_t control, std::uint32_t event_type,
                                                void* event_data, void* context);
// The service main shape of the dispatcher table.
using ServiceMainFunction = void (*)(std::uint32_t argc, wchar_t** argv);

class Services {
 public:
  virtual ~Services() = default;

  // OpenSCManagerW on the local machine. Errors: kAccessDenied (win32_error 5).
  virtual support::Result<std::unique_ptr<ServiceManagerHandle>> OpenManager(
      std::uint32_t access) = 0;
  // OpenServiceW. Errors: kNotFound (win32_error 1060), kAccessDenied.
  virtual support::Result<std::unique_ptr<ServiceHandle>> Open(ServiceManagerHandle& manager,
                                                               const std::wstring& name,
                                                               std::uint32_t access) = 0;
  // CreateServiceW (own process, normal error control, LocalSystem) with all access.
  // Errors: kAlreadyExists (win32_error 1073), kAccessDenied, kFailed.
  virtual support::Result<std::unique_ptr<ServiceHandle>> Create(ServiceManagerHandle& manager,
                                                                 const std::wstring& name,
                                                                 const ServiceConfig& config) = 0;
  // ChangeServiceConfigW of type, start type, error control, binary path and display name.
  virtual support::Status ChangeConfig(ServiceHandle& service, const ServiceConfig& config) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_DESCRIPTION).
  virtual support::Status SetDescription(ServiceHandle& service,
                                         const std::wstring& description) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS), then (SERVICE_CONFIG_FAILURE_
  // ACTIONS_FLAG) with `on_non_crash_failures`. Restart actions need a handle opened with
  // kStart as well as kChangeConfig (access denied otherwise). Wine accepts and forgets them.
  virtual support::Status SetFailureActions(ServiceHandle& service,
                                            const FailureActions& actions) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO): the service's process
  // keeps only these privileges. kUnsupported (win32_error 124) where the manager lacks
  // the level.
  virtual support::Status SetRequiredPrivileges(ServiceHandle& service,
                                                const std::vector<std::wstring>& privileges) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_SERVICE_SID_INFO). kUnsupported as above.
  virtual support::Status SetSidType(ServiceHandle& service, ServiceSidType type) = 0;
  // QueryServiceConfigW.
  virtual support::Result<ServiceConfig> QueryConfig(ServiceHandle& service) = 0;
  // StartServiceW without arguments. A running service fails with win32_error 1056.
  virtual support::Status Start(ServiceHandle& service) = 0;
  // ControlService; returns the status it reports. A stopped service fails with 1062.
  virtual support::Result<ServiceStatus> Control(ServiceHandle& service, std::uint32_t control) = 0;
  // QueryServiceStatusEx(SC_STATUS_PROCESS_INFO).
  virtual support::Result<ServiceStatus> QueryStatus(ServiceHandle& service) = 0;
  // DeleteService: marks the service for deletion; it goes when its last handle closes
  // and it has stopped. Fails with 1072 when already marked.
  virtual support::Status Delete(ServiceHandle& service) = 0;

  // StartServiceCtrlDispatcherW with one own-process entry; returns when the service main
  // has ended. Fails when the process was not started by the manager.
  virtual support::Status RunDispatcher(const std::wstring& name, ServiceMainFunction main) = 0;
  // RegisterServiceCtrlHandlerExW.
  virtual support::Result<std::unique_ptr<ServiceStatusHandle>> RegisterControlHandler(
      const std::wstring& name, ServiceControlHandler handler, void* context) = 0;
  // SetServiceStatus (own-process type filled in).
  virtual support::Status SetStatus(ServiceStatusHandle& handle, const ServiceStatus& status) = 0;

  // CreateEventW(manual reset, not signalled); nullptr when it cannot be created.
  virtual std::unique_ptr<WaitableEvent> NewEvent() = 0;

  // ChangeServiceConfigW of the start type alone (0 boot .. 4 disabled); every other field
  // stays as it is. QueryConfig's start_type carries the raw number back.
  virtual support::Status ChangeStartType(ServiceHandle& service, std::uint32_t start_type) = 0;
  // QueryServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS): the reset period and the delays
  // of the restart actions (actions of other types are not listed). kUnsupported where
  // the manager lacks the information level (Wine: error 124).
  virtual support::Result<FailureActions> QueryFailureActions(ServiceHandle& service) = 0;
  // ChangeServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS) with reset period 0 and a single
  // action of type none: nothing restarts the service.
  virtual support::Status ClearFailureActions(ServiceHandle& service) = 0;
};

}  // namespace platform
