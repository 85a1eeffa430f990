// RemoveStaleServices: the GUI's start-up clean-up of services that can no longer run.
#include "service/stale_services.h"

#include <string>

#include "app/output.h"
#include "platform/files.h"
#include "platform/system.h"
#include "service/install.h"
#include "service/service_control.h"

std::wstring ProgramPathOf(const std::wstring& binary_path) {
  if (!binary_path.empty() && binary_path[0] == L'"') {
    const std::size_t end = binary_path.find(L'"', 1);
    return binary_path.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
  }
  return binary_path.substr(0, binary_path.find(L' '));
}

namespace {

// The program path of the installed "Veltrane" service; empty when it cannot be read.
std::wstring InstalledProgramPath() {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return {};
  auto service = services.Open(**manager, kServiceName, platform::service_access::kQueryConfig);
  if (!service) return {};
  auto config = services.QueryConfig(**service);
  return config ? ProgramPathOf(config->binary_path) : std::wstring{};
}

}  // namespace

void RemoveStaleServices() {
  if (ServiceExists(kLegacyServiceName)) {
    AppendLog(Format(L"Removing the unused Quantick service left by an older build."));
    (void)StopServiceByName(kLegacyServiceName);
    (void)RemoveLegacyService();
  }
  if (!ServiceExists(kServiceName)) return;
  const std::wstring program = InstalledProgramPath();
  if (program.empty() || platform::Sys().files.Exists(program)) return;
  AppendLog(Format(L"Removing the Veltrane service because its program file is gone."));
  (void)StopAndDeleteService(kServiceName, kServiceWaitMs);
}
