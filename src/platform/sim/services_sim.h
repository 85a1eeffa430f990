// SimServices: an in-memory Service Control Manager with the service state machine,
// configs, descriptions, failure actions and deletion on last close.
//
// A service whose binary path names a program installed with InstallProgram really runs:
// Start launches the program on a thread of its own (the "service process"), where
// RunDispatcher calls the service main; controls reach the handler it registered. Start
// and stop controls return once the service has left the pending state (or its program
// ended), so a caller's virtual-time polling sees the settled state deterministically.
//
// Waits on events made by NewEvent never time out by themselves: a test lets waiters time
// out with TimeOutWaits, so a 30-second re-request loop runs one turn per call.
//
// Services that have no program behave like simple Windows services: a start reaches
// RUNNING at once (or fails, or hangs in START_PENDING, as told), a stop reaches STOPPED.
//
// Tests must stop services whose programs still run before the system guard goes away:
// those programs reach the machine through platform::Sys().
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/services.h"
#include "platform/sim/fault_queue.h"

namespace platform {

enum class ServiceOp {
  kOpenManager,
  kOpen,
  kCreate,
  kChangeConfig,
  kDescription,
  kFailureActions,
  kRequiredPrivileges,
  kSidType,
  kQueryConfig,
  kStart,
  kControl,
  kQueryStatus,
  kDelete,
  kRegister,
  kSetStatus,
  kNewEvent,  // NewEvent gives nullptr
  kWait,      // WaitFor reports kFailed
};

class SimServices final : public Services {
 public:
  // What a start of a service without a program does.
  enum class StartBehaviour { kRuns, kHangsPending };

  // A snapshot of one service for assertions.
  struct ServiceView {
    ServiceConfig config;
    std::wstring account;
    std::wstring description;
    std::optional<FailureActions> failure_actions;
    std::optional<std::vector<std::wstring>> required_privileges;
    std::optional<ServiceSidType> sid_type;
    ServiceStatus status;
    bool marked_for_delete = false;
    std::uint32_t starts = 0;    // successful StartService calls
    std::uint32_t failures = 0;  // stops with a non-zero exit code
  };

  SimServices();
  ~SimServices() override;
  SimServices(const SimServices&) = delete;
  SimServices& operator=(const SimServices&) = delete;

  support::Result<std::unique_ptr<ServiceManagerHandle>> OpenManager(std::uint32_t access) override;
  support::Result<std::unique_ptr<ServiceHandle>> Open(ServiceManagerHandle& manager,
                                                       const std::wstring& name,
                                                       std::uint32_t access) override;
  support::Result<std::unique_ptr<ServiceHandle>> Create(ServiceManagerHandle& manager,
                                                         const std::wstring& name,
                                                         const ServiceConfig& config) override;
  support::Status ChangeConfig(ServiceHandle& service, const ServiceConfig& config) override;
  support::Status SetDescription(ServiceHandle& service, const std::wstring& description) override;
  support::Status SetFailureActions(ServiceHandle& service, const FailureActions& actions) override;
  support::Status SetRequiredPrivileges(ServiceHandle& service,
                                        const std::vector<std::wstring>& privileges) override;
  support::Status SetSidType(ServiceHandle& service, ServiceSidType type) override;
  support::Result<ServiceConfig> QueryConfig(ServiceHandle& service) override;
  support::Status Start(ServiceHandle& service) override;
  support::Result<ServiceStatus> Control(ServiceHandle& service, std::uint32_t control) override;
  support::Result<ServiceStatus> QueryStatus(ServiceHandle& service) override;
  support::Status Delete(ServiceHandle& service) override;
  support::Status RunDispatcher(const std::wstring& name, ServiceMainFunction main) override;
  support::Result<std::unique_ptr<ServiceStatusHandle>> RegisterControlHandler(
      const std::wstring& name, ServiceControlHandler handler, void* context) override;
  support::Status SetStatus(ServiceStatusHandle& handle, const ServiceStatus& status) override;
  std::unique_ptr<WaitableEvent> NewEvent() override;
  // Faults: kChangeConfig.
  support::Status ChangeStartType(ServiceHandle& service, std::uint32_t start_type) override;
  support::Result<FailureActions> QueryFailureActions(ServiceHandle& service) override;
  support::Status ClearFailureActions(ServiceHandle& service) override;

  // --- Test controls ---
  // The next call of `op` fails with `code` (and `win32_error`, 0 for the usual one).
  void FailNext(ServiceOp op, support::ErrorCode code, std::uint32_t win32_error = 0);
  // Drops the faults no call has taken yet.
  void ClearFaults();
  // Runs `main` on a new thread whenever a service whose binary path names `exe_path`
  // (compared without regard to case) starts.
  void InstallProgram(const std::wstring& exe_path, std::function<void()> main);
  // A service as if created earlier, with the given state and no program.
  void Seed(const std::wstring& name, const ServiceConfig& config, ServiceRunState state);
  // Start faults by service name; they hold for a service created later under that name.
  // kHangsPending leaves the service in START_PENDING without launching its program.
  void SetStartBehaviour(const std::wstring& name, StartBehaviour behaviour);
  // StartService of this service fails with `win32_error` (0 clears it).
  void SetStartError(const std::wstring& name, std::uint32_t win32_error);
  // A stop control leaves this program-less service in STOP_PENDING.
  void SetStopHangs(const std::wstring& name, bool hangs);
  // Every OpenSCManager fails with access denied until told otherwise.
  void RefuseManager(bool refuse);
  std::optional<ServiceView> Find(const std::wstring& name);
  bool Exists(const std::wstring& name);
  // Lets the next `count` waits on this sim's events time out, one at a time, each time
  // waiting until the waiter is back in a wait or has stopped waiting (real time, bounded).
  // False when no waiter came.
  bool TimeOutWaits(std::uint32_t count);
  // Stops every service whose program still runs and waits for the programs to end.
  void StopAll();
  // Called with a service program's file when it starts (true) and ends (false);
  // SimMachine holds the file in its SimFiles meanwhile, as Windows holds a running image.
  void HoldImagesWith(std::function<void(const std::wstring& path, bool running)> hold);

 private:
  struct Entry;
  class Manager;
  class Handle;
  class StatusHandle;
  class Event;
  friend class Handle;
  friend class Event;

  Entry* EntryOf(ServiceHandle& service, std::uint32_t needed,
                 std::optional<support::PortError>* error);  // under mutex_
  support::Status Configure(ServiceHandle& service, ServiceOp op, const wchar_t* call,
                            const std::function<support::Status(Entry&)>& change,
                            std::uint32_t needed = service_access::kChangeConfig);
  void Release(const std::wstring& key);
  void RemoveIfDone(const std::wstring& key);                       // under mutex_
  bool AnyProgramRunning() const;                                   // under mutex_
  void LaunchProgram(Entry& entry, std::function<void()> program);  // under mutex_
  void WaitSettled(std::unique_lock<std::mutex>& lock, const std::wstring& key,
                   ServiceRunState pending);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::wstring, std::unique_ptr<Entry>> services_;  // by upper-case name
  std::map<std::wstring, std::function<void()>> programs_;   // by upper-case path
  struct StartFault {
    StartBehaviour behaviour = StartBehaviour::kRuns;
    std::uint32_t error = 0;
    bool stop_hangs = false;
  };
  std::map<std::wstring, StartFault> start_faults_;  // by upper-case name
  bool refuse_manager_ = false;
  sim::FaultQueue<ServiceOp> faults_;
  std::vector<std::thread> threads_;
  // Waits on events: how many are waiting, how many have started, time-outs granted.
  std::uint32_t waiting_ = 0;
  std::uint64_t wait_entries_ = 0;
  std::uint32_t timeouts_granted_ = 0;
  bool shutting_down_ = false;
  std::function<void(const std::wstring&, bool)> image_hold_;
};

}  // namespace platform
