#include "platform/win32/services_win32.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {

using support::ErrorCode;
using support::PortError;

PortError LastError(const wchar_t* call, const std::wstring& object = {}) {
  const DWORD error = ::GetLastError();
  ErrorCode code = ErrorCode::kFailed;
  if (error == ERROR_ACCESS_DENIED) code = ErrorCode::kAccessDenied;
  if (error == ERROR_SERVICE_DOES_NOT_EXIST) code = ErrorCode::kNotFound;
  if (error == ERROR_SERVICE_EXISTS) code = ErrorCode::kAlreadyExists;
  if (error == ERROR_CALL_NOT_IMPLEMENTED) code = ErrorCode::kUnsupported;
  std::wstring what = call;
  if (!object.empty()) what += L" " + object;
  return support::Fail(code, what, error);
}

// An information level the service manager does not know (Wine) is a missing function.
PortError ConfigLevelError(const wchar_t* what) {
  if (::GetLastError() == ERROR_INVALID_LEVEL) {
    return support::Fail(ErrorCode::kUnsupported, what, ERROR_INVALID_LEVEL);
  }
  return LastError(what);
}

// Closes a manager or service handle on every exit.
class ScHandle final : public ServiceManagerHandle, public ServiceHandle {
 public:
  explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
  ~ScHandle() override { ::CloseServiceHandle(handle_); }
  ScHandle(const ScHandle&) = delete;
  ScHandle& operator=(const ScHandle&) = delete;
  SC_HANDLE get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

SC_HANDLE Raw(ServiceManagerHandle& handle) { return static_cast<ScHandle&>(handle).get(); }
SC_HANDLE Raw(ServiceHandle& handle) { return static_cast<ScHandle&>(handle).get(); }

class StatusHandle final : public ServiceStatusHandle {
 public:
  explicit StatusHandle(SERVICE_STATUS_HANDLE handle) : handle_(handle) {}
  SERVICE_STATUS_HANDLE get() const { return handle_; }

 private:
  SERVICE_STATUS_HANDLE handle_;  // owned by the dispatcher, never closed
};

class Event final : public WaitableEvent {
 public:
  explicit Event(HANDLE handle) : handle_(handle) {}
  ~Event() override { ::CloseHandle(handle_); }
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void Set() override { ::SetEvent(handle_); }
  bool Wait(std::uint32_t timeout_ms) override {
    return ::WaitForSingleObject(handle_, timeout_ms) == WAIT_OBJECT_0;
  }
  Outcome WaitFor(std::uint32_t timeout_ms) override {
    switch (::WaitForSingleObject(handle_, timeout_ms)) {
      case WAIT_OBJECT_0:
        return Outcome::kSignalled;
      case WAIT_TIMEOUT:
        return Outcome::kTimedOut;
    }
    return Outcome::kFailed;
  }

 private:
  HANDLE handle_;
};

ServiceStatus FromWin32(const SERVICE_STATUS& s) {
  return ServiceStatus{static_cast<ServiceRunState>(s.dwCurrentState), s.dwControlsAccepted,
                       s.dwWin32ExitCode, s.dwCheckPoint, s.dwWaitHint};
}

// The dispatcher calls the service main through a plain WINAPI function; there is only one
// service in this process, so one slot is enough.
ServiceMainFunction g_service_main = nullptr;

void WINAPI ServiceMainTrampoline(DWORD argc, LPWSTR* argv) {
  if (g_service_main != nullptr) g_service_main(argc, argv);
}

struct HandlerSlot {
  ServiceControlHandler handler = nullptr;
  void* context = nullptr;
};
HandlerSlot g_handler;

DWORD WINAPI HandlerTrampoline(DWORD control, DWORD event_type, LPVOID event_data, LPVOID) {
  if (g_handler.handler == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  return g_handler.handler(control, event_type, event_data, g_handler.context);
}

}  // namespace

support::Result<std::unique_ptr<ServiceManagerHandle>> Win32Services::OpenManager(
    std::uint32_t access) {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, access);
  if (manager == nullptr) return LastError(L"OpenSCManagerW");
  return std::unique_ptr<ServiceManagerHandle>(std::make_unique<ScHandle>(manager));
}

support::Result<std::unique_ptr<ServiceHandle>> Win32Services::Open(ServiceManagerHandle& manager,
                                                                    const std::wstring& name,
                                                                    std::uint32_t access) {
  SC_HANDLE service = ::OpenServiceW(Raw(manager), name.c_str(), access);
  if (service == nullptr) return LastError(L"OpenServiceW", name);
  return std::unique_ptr<ServiceHandle>(std::make_unique<ScHandle>(service));
}

support::Result<std::unique_ptr<ServiceHandle>> Win32Services::Create(ServiceManagerHandle& manager,
                                                                      const std::wstring& name,
                                                                      const ServiceConfig& config) {
  SC_HANDLE service = ::CreateServiceW(
      Raw(manager), name.c_str(), config.display_name.c_str(), SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS, static_cast<DWORD>(config.start_type), SERVICE_ERROR_NORMAL,
      config.binary_path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (service == nullptr) return LastError(L"CreateServiceW", name);
  return std::unique_ptr<ServiceHandle>(std::make_unique<ScHandle>(service));
}

support::Status Win32Services::ChangeConfig(ServiceHandle& service, const ServiceConfig& config) {
  if (!::ChangeServiceConfigW(Raw(service), SERVICE_WIN32_OWN_PROCESS,
                              static_cast<DWORD>(config.start_type), SERVICE_ERROR_NORMAL,
                              config.binary_path.c_str(), nullptr, nullptr, nullptr, nullptr,
                              nullptr, config.display_name.c_str())) {
    return LastError(L"ChangeServiceConfigW");
  }
  return {};
}

support::Status Win32Services::SetDescription(ServiceHandle& service,
                                              const std::wstring& description) {
  std::wstring text = description;
  SERVICE_DESCRIPTIONW info{text.data()};
  if (!::ChangeServiceConfig2W(Raw(service), SERVICE_CONFIG_DESCRIPTION, &info)) {
    return LastError(L"ChangeServiceConfig2W(description)");
  }
  return {};
}

support::Status Win32Services::SetFailureActions(ServiceHandle& service,
                                                 const FailureActions& actions) {
  std::vector<SC_ACTION> list;
  for (std::uint32_t delay : actions.restart_delays_ms) list.push_back({SC_ACTION_RESTART, delay});
  SERVICE_FAILURE_ACTIONSW info{};
  info.dwResetPeriod = actions.reset_period_s;
  // Empty strings clear them; null pointers would leave what an earlier writer put there.
  wchar_t none[] = L"";
  info.lpRebootMsg = none;
  info.lpCommand = none;
  info.cActions = static_cast<DWORD>(list.size());
  info.lpsaActions = list.data();
  if (!::ChangeServiceConfig2W(Raw(service), SERVICE_CONFIG_FAILURE_ACTIONS, &info)) {
    return LastError(L"ChangeServiceConfig2W(failure actions)");
  }
  // The flag level is written only when asked for: Wine lacks it, and false is the default.
  if (!actions.on_non_crash_failures) return {};
  SERVICE_FAILURE_ACTIONS_FLAG flag{TRUE};
  if (!::ChangeServiceConfig2W(Raw(service), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag)) {
    // Wine knows no such level: the actions above stand, for crashes only.
    return ConfigLevelError(L"ChangeServiceConfig2W(failure actions flag)");
  }
  return {};
}

support::Status Win32Services::SetRequiredPrivileges(ServiceHandle& service,
                                                     const std::vector<std::wstring>& privileges) {
  // A multi-string: every name ends with its NUL, and one more NUL ends the list.
  std::wstring names;
  for (const std::wstring& privilege : privileges) names += privilege + L'\0';
  names += L'\0';
  SERVICE_REQUIRED_PRIVILEGES_INFOW info{names.data()};
  if (!::ChangeServiceConfig2W(Raw(service), SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &info)) {
    return ConfigLevelError(L"ChangeServiceConfig2W(required privileges)");
  }
  return {};
}

support::Status Win32Services::SetSidType(ServiceHandle& service, ServiceSidType type) {
  SERVICE_SID_INFO info{static_cast<DWORD>(type)};
  if (!::ChangeServiceConfig2W(Raw(service), SERVICE_CONFIG_SERVICE_SID_INFO, &info)) {
    return ConfigLevelError(L"ChangeServiceConfig2W(service SID type)");
  }
  return {};
}

support::Result<ServiceConfig> Win32Services::QueryConfig(ServiceHandle& service) {
  DWORD needed = 0;
  ::QueryServiceConfigW(Raw(service), nullptr, 0, &needed);
  if (needed == 0) return LastError(L"QueryServiceConfigW");
  std::vector<BYTE> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!::QueryServiceConfigW(Raw(service), config, needed, &needed)) {
    return LastError(L"QueryServiceConfigW");
  }
  ServiceConfig result;
  if (config->lpDisplayName != nullptr) result.display_name = config->lpDisplayName;
  if (config->lpBinaryPathName != nullptr) result.binary_path = config->lpBinaryPathName;
  result.start_type = static_cast<ServiceStartType>(config->dwStartType);
  return result;
}

support::Status Win32Services::Start(ServiceHandle& service) {
  if (!::StartServiceW(Raw(service), 0, nullptr)) return LastError(L"StartServiceW");
  return {};
}

support::Result<ServiceStatus> Win32Services::Control(ServiceHandle& service,
                                                      std::uint32_t control) {
  SERVICE_STATUS status{};
  if (!::ControlService(Raw(service), control, &status)) return LastError(L"ControlService");
  return FromWin32(status);
}

support::Result<ServiceStatus> Win32Services::QueryStatus(ServiceHandle& service) {
  SERVICE_STATUS_PROCESS process{};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(Raw(service), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&process), sizeof(process), &needed)) {
    return LastError(L"QueryServiceStatusEx");
  }
  return ServiceStatus{static_cast<ServiceRunState>(process.dwCurrentState),
                       process.dwControlsAccepted, process.dwWin32ExitCode, process.dwCheckPoint,
                       process.dwWaitHint, process.dwProcessId};
}

support::Status Win32Services::Delete(ServiceHandle& service) {
  if (!::DeleteService(Raw(service))) return LastError(L"DeleteService");
  return {};
}

support::Status Win32Services::RunDispatcher(const std::wstring& name, ServiceMainFunction main) {
  g_service_main = main;
  std::wstring service_name = name;
  SERVICE_TABLE_ENTRYW table[] = {{service_name.data(), ServiceMainTrampoline}, {nullptr, nullptr}};
  if (!::StartServiceCtrlDispatcherW(table)) return LastError(L"StartServiceCtrlDispatcherW");
  return {};
}

support::Result<std::unique_ptr<ServiceStatusHandle>> Win32Services::RegisterControlHandler(
    const std::wstring& name, ServiceControlHandler handler, void* context) {
  g_handler = HandlerSlot{handler, context};
  SERVICE_STATUS_HANDLE handle =
      ::RegisterServiceCtrlHandlerExW(name.c_str(), HandlerTrampoline, nullptr);
  if (handle == nullptr) return LastError(L"RegisterServiceCtrlHandlerExW", name);
  return std::unique_ptr<ServiceStatusHandle>(std::make_unique<StatusHandle>(handle));
}

support::Status Win32Services::SetStatus(ServiceStatusHandle& handle, const ServiceStatus& status) {
  SERVICE_STATUS raw{};
  raw.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  raw.dwCurrentState = static_cast<DWORD>(status.state);
  raw.dwControlsAccepted = status.controls_accepted;
  raw.dwWin32ExitCode = status.win32_exit_code;
  raw.dwCheckPoint = status.check_point;
  raw.dwWaitHint = status.wait_hint_ms;
  if (!::SetServiceStatus(static_cast<StatusHandle&>(handle).get(), &raw)) {
    return LastError(L"SetServiceStatus");
  }
  return {};
}

std::unique_ptr<WaitableEvent> Win32Services::NewEvent() {
  const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return nullptr;
  return std::make_unique<Event>(event);
}

support::Status Win32Services::ChangeStartType(ServiceHandle& service, std::uint32_t start_type) {
  if (!::ChangeServiceConfigW(Raw(service), SERVICE_NO_CHANGE, start_type, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
    return LastError(L"ChangeServiceConfigW");
  }
  return {};
}

support::Result<FailureActions> Win32Services::QueryFailureActions(ServiceHandle& service) {
  DWORD needed = 0;
  ::QueryServiceConfig2W(Raw(service), SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
  if (needed == 0) return ConfigLevelError(L"QueryServiceConfig2W(failure actions)");
  std::vector<BYTE> buffer(needed);
  if (!::QueryServiceConfig2W(Raw(service), SERVICE_CONFIG_FAILURE_ACTIONS, buffer.data(), needed,
                              &needed)) {
    return LastError(L"QueryServiceConfig2W(failure actions)");
  }
  const auto* info = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(buffer.data());
  FailureActions actions;
  actions.reset_period_s = info->dwResetPeriod;
  for (DWORD i = 0; info->lpsaActions != nullptr && i < info->cActions; ++i) {
    if (info->lpsaActions[i].Type == SC_ACTION_RESTART) {
      actions.restart_delays_ms.push_back(info->lpsaActions[i].Delay);
    }
  }
  return actions;
}

support::Status Win32Services::ClearFailureActions(ServiceHandle& service) {
  SC_ACTION none{SC_ACTION_NONE, 0};
  SERVICE_FAILURE_ACTIONSW info{};
  info.dwResetPeriod = 0;
  info.cActions = 1;
  info.lpsaActions = &none;
  if (!::ChangeServiceConfig2W(Raw(service), SERVICE_CONFIG_FAILURE_ACTIONS, &info)) {
    return LastError(L"ChangeServiceConfig2W(no failure actions)");
  }
  return {};
}

}  // namespace platform
