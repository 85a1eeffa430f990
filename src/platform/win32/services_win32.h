// Win32Services: the Service Control Manager and the service dispatcher through advapi32.
#pragma once

#include "platform/services.h"

namespace platform {

class Win32Services final : public Services {
 public:
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
  support::Status ChangeStartType(ServiceHandle& service, std::uint32_t start_type) override;
  support::Result<FailureActions> QueryFailureActions(ServiceHandle& service) override;
  support::Status ClearFailureActions(ServiceHandle& service) override;
};

}  // namespace platform
