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

std::vector<std::wstring> ProgramCandidatesOf(const std::wstring& binary_path) {
  if (!binary_path.empty() && binary_path[0] == L'"') return {ProgramPathOf(binary_path)};
  std::vector<std::wstring> candidates;
  const auto add = [&candidates](const std::wstring& path) {
    if (path.empty()) return;
    const std::size_t slash = path.find_last_of(L'\\');
    const bool has_extension =
        path.find(L'.', slash == std::wstring::npos ? 0 : slash) != std::wstring::npos;
    candidates.push_back(path);
    if (!has_extension) candidates.push_back(path + L".exe");
  };
  for (std::size_t blank = binary_path.find(L' '); blank != std::wstring::npos;
       blank = binary_path.find(L' ', blank + 1)) {
    add(binary_path.substr(0, blank));
  }
  add(binary_path);
  return candidates;
}

namespace {

// The binary path of the installed "Veltrane" service; empty when it cannot be read.
std::wstring InstalledBinaryPath() {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return {};
  auto service = services.Open(**manager, kServiceName, platform::service_access::kQueryConfig);
  if (!service) return {};
  auto config = services.QueryConfig(**service);
  return config ? config->binary_path : std::wstring{};
}

// Gone only when every file the manager could run is reported missing; a file that
// cannot be looked at (no access, a network path down) may still be there.
bool ProgramIsGone(const std::wstring& binary_path) {
  const std::vector<std::wstring> candidates = ProgramCandidatesOf(binary_path);
  if (candidates.empty()) return false;
  for (const std::wstring& candidate : candidates) {
    const auto written = platform::Sys().files.LastWriteTime(candidate);
    if (written || written.error().code != support::ErrorCode::kNotFound) return false;
  }
  return true;
}

}  // namespace

void RemoveStaleServices() {
  if (ServiceExists(kLegacyServiceName)) {
    AppendLog(Format(L"Removing the unused Quantick service left by an older build."));
    (void)StopServiceByName(kLegacyServiceName);
    (void)RemoveLegacyService();
  }
  if (!ServiceExists(kServiceName)) return;
  if (!ProgramIsGone(InstalledBinaryPath())) return;
  AppendLog(Format(L"Removing the Veltrane service because its program file is gone."));
  (void)StopAndDeleteService(kServiceName, kServiceWaitMs);
}
