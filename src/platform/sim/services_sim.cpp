#include "platform/sim/services_sim.h"

#include <chrono>
#include <cwctype>
#include <utility>

namespace platform {
namespace {

using support::ErrorCode;
using support::PortError;

// Real-time bound of the sim's own waits; the service programs are in-process threads, so
// anything longer means a program is stuck and the caller sees the pending state.
constexpr std::chrono::seconds kSettleBound{10};

thread_local const std::wstring* t_launched_service = nullptr;

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

PortError ErrorOf(std::uint32_t win32_error, const std::wstring& what) {
  ErrorCode code = ErrorCode::kFailed;
  if (win32_error == service_error::kAccessDenied) code = ErrorCode::kAccessDenied;
  if (win32_error == service_error::kDoesNotExist) code = ErrorCode::kNotFound;
  if (win32_error == service_error::kExists) code = ErrorCode::kAlreadyExists;
  return support::Fail(code, what, win32_error);
}

// The program a binary path starts: the quoted part, or the text up to the first space.
std::wstring ProgramOf(const std::wstring& binary_path) {
  if (!binary_path.empty() && binary_path[0] == L'"') {
    const auto end = binary_path.find(L'"', 1);
    return binary_path.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
  }
  return binary_path.substr(0, binary_path.find(L' '));
}

}  // namespace

struct SimServices::Entry {
  std::wstring name;
  ServiceConfig config;
  std::wstring description;
  std::optional<FailureActions> failure_actions;
  std::optional<std::vector<std::wstring>> required_privileges;
  std::optional<ServiceSidType> sid_type;
  ServiceStatus status;
  bool marked_for_delete = false;
  std::uint32_t open_handles = 0;
  bool program_running = false;
  ServiceControlHandler handler = nullptr;
  void* context = nullptr;
  std::uint32_t starts = 0;
  std::uint32_t failures = 0;
};

class SimServices::Manager final : public ServiceManagerHandle {
 public:
  explicit Manager(std::uint32_t access) : access_(access) {}
  std::uint32_t access_;
};

class SimServices::Handle final : public ServiceHandle {
 public:
  Handle(SimServices& owner, std::wstring key, std::uint32_t access)
      : owner_(owner), key_(std::move(key)), access_(access) {}
  ~Handle() override { owner_.Release(key_); }
  SimServices& owner_;
  std::wstring key_;
  std::uint32_t access_;
};

class SimServices::StatusHandle final : public ServiceStatusHandle {
 public:
  explicit StatusHandle(std::wstring key) : key_(std::move(key)) {}
  std::wstring key_;
};

class SimServices::Event final : public WaitableEvent {
 public:
  explicit Event(SimServices& owner) : owner_(owner) {}

  void Set() override {
    std::lock_guard lock(owner_.mutex_);
    set_ = true;
    owner_.changed_.notify_all();
  }

  Outcome WaitFor(std::uint32_t timeout_ms) override {
    {
      std::lock_guard lock(owner_.mutex_);
      if (owner_.faults_.Take(ServiceOp::kWait, L"WaitForSingleObject")) return Outcome::kFailed;
    }
    return Wait(timeout_ms) ? Outcome::kSignalled : Outcome::kTimedOut;
  }

  bool Wait(std::uint32_t timeout_ms) override {
    std::unique_lock lock(owner_.mutex_);
    if (set_ || owner_.shutting_down_) return true;
    if (timeout_ms == 0) return false;
    ++owner_.waiting_;
    ++owner_.wait_entries_;
    owner_.changed_.notify_all();
    const bool may_time_out = timeout_ms != kForever;
    owner_.changed_.wait(lock, [&] {
      return set_ || owner_.shutting_down_ || (may_time_out && owner_.timeouts_granted_ > 0);
    });
    --owner_.waiting_;
    owner_.changed_.notify_all();
    if (set_ || owner_.shutting_down_) return true;
    --owner_.timeouts_granted_;
    return false;
  }

 private:
  SimServices& owner_;
  bool set_ = false;
};

SimServices::SimServices() = default;

SimServices::~SimServices() {
  {
    std::lock_guard lock(mutex_);
    shutting_down_ = true;
    changed_.notify_all();
  }
  for (std::thread& thread : threads_) thread.join();
}

SimServices::Entry* SimServices::EntryOf(ServiceHandle& service, std::uint32_t needed,
                                         std::optional<PortError>* error) {
  auto& handle = static_cast<Handle&>(service);
  auto it = services_.find(handle.key_);
  if (it == services_.end()) {
    *error = ErrorOf(service_error::kInvalidHandle, handle.key_);
    return nullptr;
  }
  if ((handle.access_ & needed) != needed) {
    *error = ErrorOf(service_error::kAccessDenied, it->second->name);
    return nullptr;
  }
  return it->second.get();
}

void SimServices::Release(const std::wstring& key) {
  std::lock_guard lock(mutex_);
  auto it = services_.find(key);
  if (it == services_.end()) return;
  --it->second->open_handles;
  RemoveIfDone(key);
}

void SimServices::RemoveIfDone(const std::wstring& key) {
  auto it = services_.find(key);
  if (it == services_.end()) return;
  const Entry& entry = *it->second;
  if (entry.marked_for_delete && entry.open_handles == 0 &&
      entry.status.state == ServiceRunState::kStopped && !entry.program_running) {
    services_.erase(it);
  }
}

support::Result<std::unique_ptr<ServiceManagerHandle>> SimServices::OpenManager(
    std::uint32_t access) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kOpenManager, L"OpenManager")) return *fault;
  if (refuse_manager_) return ErrorOf(service_error::kAccessDenied, L"OpenManager");
  return std::unique_ptr<ServiceManagerHandle>(std::make_unique<Manager>(access));
}

support::Result<std::unique_ptr<ServiceHandle>> SimServices::Open(ServiceManagerHandle& manager,
                                                                  const std::wstring& name,
                                                                  std::uint32_t access) {
  (void)manager;
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kOpen, L"Open")) return *fault;
  const std::wstring key = Upper(name);
  auto it = services_.find(key);
  if (it == services_.end()) return ErrorOf(service_error::kDoesNotExist, name);
  ++it->second->open_handles;
  return std::unique_ptr<ServiceHandle>(std::make_unique<Handle>(*this, key, access));
}

support::Result<std::unique_ptr<ServiceHandle>> SimServices::Create(ServiceManagerHandle& manager,
                                                                    const std::wstring& name,
                                                                    const ServiceConfig& config) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kCreate, L"Create")) return *fault;
  if ((static_cast<Manager&>(manager).access_ & manager_access::kCreateService) == 0) {
    return ErrorOf(service_error::kAccessDenied, name);
  }
  const std::wstring key = Upper(name);
  if (auto it = services_.find(key); it != services_.end()) {
    return ErrorOf(
        it->second->marked_for_delete ? service_error::kMarkedForDelete : service_error::kExists,
        name);
  }
  auto entry = std::make_unique<Entry>();
  entry->name = name;
  entry->config = config;
  entry->open_handles = 1;
  services_[key] = std::move(entry);
  return std::unique_ptr<ServiceHandle>(std::make_unique<Handle>(*this, key, service_access::kAll));
}

// Every configuration change shares the fault, the handle's right and the lock; only what
// it changes differs.
support::Status SimServices::Configure(ServiceHandle& service, ServiceOp op, const wchar_t* call,
                                       const std::function<support::Status(Entry&)>& change,
                                       std::uint32_t needed) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(op, call)) return *fault;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, needed, &error);
  if (entry == nullptr) return *error;
  return change(*entry);
}

support::Status SimServices::ChangeConfig(ServiceHandle& service, const ServiceConfig& config) {
  return Configure(service, ServiceOp::kChangeConfig, L"ChangeConfig",
                   [&](Entry& entry) -> support::Status {
                     if (entry.marked_for_delete) {
                       return ErrorOf(service_error::kMarkedForDelete, entry.name);
                     }
                     entry.config = config;
                     return {};
                   });
}

support::Status SimServices::ChangeStartType(ServiceHandle& service, std::uint32_t start_type) {
  return Configure(service, ServiceOp::kChangeConfig, L"ChangeStartType",
                   [&](Entry& entry) -> support::Status {
                     if (entry.marked_for_delete) {
                       return ErrorOf(service_error::kMarkedForDelete, entry.name);
                     }
                     if (start_type > static_cast<std::uint32_t>(ServiceStartType::kDisabled)) {
                       return ErrorOf(87, entry.name);
                     }
                     entry.config.start_type = static_cast<ServiceStartType>(start_type);
                     return {};
                   });
}

support::Status SimServices::SetDescription(ServiceHandle& service,
                                            const std::wstring& description) {
  return Configure(service, ServiceOp::kDescription, L"Description",
                   [&](Entry& entry) -> support::Status {
                     entry.description = description;
                     return {};
                   });
}

support::Status SimServices::SetFailureActions(ServiceHandle& service,
                                               const FailureActions& actions) {
  // Windows lets only a handle that may start the service give it restart actions.
  const std::uint32_t needed = service_access::kChangeConfig |
                               (actions.restart_delays_ms.empty() ? 0u : service_access::kStart);
  return Configure(
      service, ServiceOp::kFailureActions, L"FailureActions",
      [&](Entry& entry) -> support::Status {
        entry.failure_actions = actions;
        return {};
      },
      needed);
}

support::Status SimServices::SetRequiredPrivileges(ServiceHandle& service,
                                                   const std::vector<std::wstring>& privileges) {
  return Configure(service, ServiceOp::kRequiredPrivileges, L"RequiredPrivileges",
                   [&](Entry& entry) -> support::Status {
                     entry.required_privileges = privileges;
                     return {};
                   });
}

support::Status SimServices::SetSidType(ServiceHandle& service, ServiceSidType type) {
  return Configure(service, ServiceOp::kSidType, L"SidType", [&](Entry& entry) -> support::Status {
    entry.sid_type = type;
    return {};
  });
}

support::Result<ServiceConfig> SimServices::QueryConfig(ServiceHandle& service) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kQueryConfig, L"QueryConfig")) return *fault;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, service_access::kQueryConfig, &error);
  if (entry == nullptr) return *error;
  return entry->config;
}

void SimServices::LaunchProgram(Entry& entry, std::function<void()> program) {
  entry.program_running = true;
  const std::wstring key = Upper(entry.name);
  // A running image cannot be replaced or deleted: the file is held while it runs.
  const std::wstring image = ProgramOf(entry.config.binary_path);
  if (image_hold_) image_hold_(image, true);
  threads_.emplace_back([this, key, image, name = entry.name, program = std::move(program)] {
    t_launched_service = &name;
    program();
    t_launched_service = nullptr;
    if (image_hold_) image_hold_(image, false);
    std::lock_guard lock(mutex_);
    auto it = services_.find(key);
    if (it == services_.end()) return;
    Entry& ended = *it->second;
    ended.program_running = false;
    ended.handler = nullptr;
    // A process that ends without reporting SERVICE_STOPPED has crashed to the manager.
    if (ended.status.state != ServiceRunState::kStopped) {
      ended.status = ServiceStatus{ServiceRunState::kStopped, 0, service_error::kProcessAborted};
      ++ended.failures;
    }
    RemoveIfDone(key);
    changed_.notify_all();
  });
}

void SimServices::WaitSettled(std::unique_lock<std::mutex>& lock, const std::wstring& key,
                              ServiceRunState pending) {
  changed_.wait_for(lock, kSettleBound, [&] {
    auto it = services_.find(key);
    return it == services_.end() || !it->second->program_running ||
           it->second->status.state != pending;
  });
}

support::Status SimServices::Start(ServiceHandle& service) {
  std::unique_lock lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kStart, L"Start")) return *fault;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, service_access::kStart, &error);
  if (entry == nullptr) return *error;
  if (entry->marked_for_delete) return ErrorOf(service_error::kMarkedForDelete, entry->name);
  if (entry->config.start_type == ServiceStartType::kDisabled) {
    return ErrorOf(service_error::kDisabled, entry->name);
  }
  if (entry->status.state != ServiceRunState::kStopped || entry->program_running) {
    return ErrorOf(service_error::kAlreadyRunning, entry->name);
  }
  const StartFault fault = start_faults_[Upper(entry->name)];
  if (fault.error != 0) return ErrorOf(fault.error, entry->name);
  ++entry->starts;
  entry->status = ServiceStatus{ServiceRunState::kStartPending, 0, 0, 1, 2000};
  if (fault.behaviour == StartBehaviour::kHangsPending) return {};
  auto program = programs_.find(Upper(ProgramOf(entry->config.binary_path)));
  if (program == programs_.end()) {
    entry->status = ServiceStatus{ServiceRunState::kRunning, service_accept::kStop};
    return {};
  }
  LaunchProgram(*entry, program->second);
  WaitSettled(lock, Upper(entry->name), ServiceRunState::kStartPending);
  return {};
}

support::Result<ServiceStatus> SimServices::Control(ServiceHandle& service, std::uint32_t control) {
  std::unique_lock lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kControl, L"Control")) return *fault;
  std::uint32_t needed = service_access::kPauseContinue;
  if (control == service_control::kStop) needed = service_access::kStop;
  if (control == service_control::kInterrogate) needed = service_access::kInterrogate;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, needed, &error);
  if (entry == nullptr) return *error;
  if (entry->status.state == ServiceRunState::kStopped) {
    return ErrorOf(service_error::kNotActive, entry->name);
  }
  const bool accepted =
      control == service_control::kInterrogate ||
      (control == service_control::kStop &&
       (entry->status.controls_accepted & service_accept::kStop) != 0) ||
      ((control == service_control::kPause || control == service_control::kContinue) &&
       (entry->status.controls_accepted & service_accept::kPauseContinue) != 0);
  if (!accepted) return ErrorOf(service_error::kInvalidControl, entry->name);
  const std::wstring key = Upper(entry->name);
  if (entry->handler == nullptr) {
    if (control == service_control::kStop) {
      entry->status.state =
          start_faults_[key].stop_hangs ? ServiceRunState::kStopPending : ServiceRunState::kStopped;
      entry->status.controls_accepted = 0;
      RemoveIfDone(key);
    }
    return services_.count(key) ? services_[key]->status : ServiceStatus{};
  }
  // The handler runs without the lock: it reports its status through SetStatus.
  const ServiceControlHandler handler = entry->handler;
  void* const context = entry->context;
  lock.unlock();
  const std::uint32_t answer = handler(control, 0, nullptr, context);
  lock.lock();
  if (answer != 0) return ErrorOf(answer, key);
  // A stopped service's process ends right after its last report; wait for that too, so
  // a start that follows finds it gone.
  if (control == service_control::kStop) {
    changed_.wait_for(lock, kSettleBound, [&] {
      auto it = services_.find(key);
      return it == services_.end() || !it->second->program_running;
    });
  }
  auto it = services_.find(key);
  return it == services_.end() ? ServiceStatus{} : it->second->status;
}

support::Result<ServiceStatus> SimServices::QueryStatus(ServiceHandle& service) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kQueryStatus, L"QueryStatus")) return *fault;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, service_access::kQueryStatus, &error);
  if (entry == nullptr) return *error;
  return entry->status;
}

support::Status SimServices::Delete(ServiceHandle& service) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kDelete, L"Delete")) return *fault;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, service_access::kDelete, &error);
  if (entry == nullptr) return *error;
  if (entry->marked_for_delete) return ErrorOf(service_error::kMarkedForDelete, entry->name);
  entry->marked_for_delete = true;
  return {};
}

support::Status SimServices::RunDispatcher(const std::wstring& name, ServiceMainFunction main) {
  if (t_launched_service == nullptr) return ErrorOf(service_error::kNoDispatcher, name);
  // An own-process service runs its one entry whatever name the table gives it.
  std::wstring argv0 = *t_launched_service;
  wchar_t* argv[] = {argv0.data(), nullptr};
  main(1, argv);
  return {};
}

support::Result<std::unique_ptr<ServiceStatusHandle>> SimServices::RegisterControlHandler(
    const std::wstring& name, ServiceControlHandler handler, void* context) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kRegister, L"Register")) return *fault;
  if (t_launched_service == nullptr) return ErrorOf(service_error::kNoDispatcher, name);
  const std::wstring key = Upper(*t_launched_service);
  auto it = services_.find(key);
  if (it == services_.end()) return ErrorOf(service_error::kDoesNotExist, name);
  it->second->handler = handler;
  it->second->context = context;
  return std::unique_ptr<ServiceStatusHandle>(std::make_unique<StatusHandle>(key));
}

support::Status SimServices::SetStatus(ServiceStatusHandle& handle, const ServiceStatus& status) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kSetStatus, L"SetStatus")) return *fault;
  const std::wstring& key = static_cast<StatusHandle&>(handle).key_;
  auto it = services_.find(key);
  if (it == services_.end()) return ErrorOf(service_error::kInvalidHandle, key);
  Entry& entry = *it->second;
  entry.status = status;
  if (status.state == ServiceRunState::kStopped && status.win32_exit_code != 0) {
    ++entry.failures;
  }
  changed_.notify_all();
  return {};
}

void SimServices::HoldImagesWith(std::function<void(const std::wstring&, bool)> hold) {
  std::lock_guard lock(mutex_);
  image_hold_ = std::move(hold);
}

std::unique_ptr<WaitableEvent> SimServices::NewEvent() {
  {
    std::lock_guard lock(mutex_);
    if (faults_.Take(ServiceOp::kNewEvent, L"CreateEventW")) return nullptr;
  }
  return std::make_unique<Event>(*this);
}

void SimServices::FailNext(ServiceOp op, support::ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  faults_.Add(op, code, win32_error);
}

void SimServices::InstallProgram(const std::wstring& exe_path, std::function<void()> main) {
  std::lock_guard lock(mutex_);
  programs_[Upper(exe_path)] = std::move(main);
}

void SimServices::Seed(const std::wstring& name, const ServiceConfig& config,
                       ServiceRunState state) {
  std::lock_guard lock(mutex_);
  auto entry = std::make_unique<Entry>();
  entry->name = name;
  entry->config = config;
  entry->status.state = state;
  if (state == ServiceRunState::kRunning) entry->status.controls_accepted = service_accept::kStop;
  services_[Upper(name)] = std::move(entry);
}

void SimServices::SetStartBehaviour(const std::wstring& name, StartBehaviour behaviour) {
  std::lock_guard lock(mutex_);
  start_faults_[Upper(name)].behaviour = behaviour;
}

void SimServices::SetStartError(const std::wstring& name, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  start_faults_[Upper(name)].error = win32_error;
}

void SimServices::SetStopHangs(const std::wstring& name, bool hangs) {
  std::lock_guard lock(mutex_);
  start_faults_[Upper(name)].stop_hangs = hangs;
}

void SimServices::RefuseManager(bool refuse) {
  std::lock_guard lock(mutex_);
  refuse_manager_ = refuse;
}

std::optional<SimServices::ServiceView> SimServices::Find(const std::wstring& name) {
  std::lock_guard lock(mutex_);
  auto it = services_.find(Upper(name));
  if (it == services_.end()) return std::nullopt;
  const Entry& e = *it->second;
  return ServiceView{
      e.config,   L"LocalSystem", e.description,       e.failure_actions, e.required_privileges,
      e.sid_type, e.status,       e.marked_for_delete, e.starts,          e.failures};
}

bool SimServices::Exists(const std::wstring& name) { return Find(name).has_value(); }

bool SimServices::TimeOutWaits(std::uint32_t count) {
  std::unique_lock lock(mutex_);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!changed_.wait_for(lock, kSettleBound, [&] { return waiting_ > timeouts_granted_; })) {
      return false;
    }
    const std::uint64_t entries_before = wait_entries_;
    ++timeouts_granted_;
    changed_.notify_all();
    changed_.wait_for(lock, kSettleBound, [&] {
      return timeouts_granted_ == 0 && (wait_entries_ > entries_before || !AnyProgramRunning());
    });
  }
  return true;
}

bool SimServices::AnyProgramRunning() const {
  for (const auto& [key, entry] : services_) {
    if (entry->program_running) return true;
  }
  return false;
}

void SimServices::StopAll() {
  std::vector<std::wstring> running;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [key, entry] : services_) {
      if (entry->program_running) running.push_back(entry->name);
    }
  }
  for (const std::wstring& name : running) {
    auto manager = OpenManager(manager_access::kConnect);
    if (!manager) continue;
    auto service = Open(**manager, name, service_access::kStop);
    if (service) (void)Control(**service, service_control::kStop);
  }
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, kSettleBound, [&] { return !AnyProgramRunning(); });
}

support::Result<FailureActions> SimServices::QueryFailureActions(ServiceHandle& service) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(ServiceOp::kFailureActions, L"QueryFailureActions")) return *fault;
  std::optional<PortError> error;
  Entry* entry = EntryOf(service, service_access::kQueryConfig, &error);
  if (entry == nullptr) return *error;
  return entry->failure_actions.value_or(FailureActions{});
}

support::Status SimServices::ClearFailureActions(ServiceHandle& service) {
  return SetFailureActions(service, FailureActions{});
}

void SimServices::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
}

}  // namespace platform
