#include "update/take_over.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/output.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"
#include "service/same_path.h"
#include "service/service_control.h"
#include "update/replace_file.h"
#include "update/running_copies.h"

namespace update {
namespace {

constexpr int kSameVersionPolls = 15;
constexpr int kExitPolls = 20;
constexpr std::uint32_t kPollMs = 100;
constexpr std::uint32_t kTerminateWaitMs = 5000;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Veltrane";

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

bool Start(const std::wstring& exe, const std::wstring& args) {
  const std::wstring line = args.empty() ? Quoted(exe) : Quoted(exe) + L" " + args;
  return platform::Sys().processes.Start(line, FolderOf(exe), false).ok();
}

// The "Veltrane" service's command line; nullopt when there is no such service or it
// cannot be read.
std::optional<platform::ServiceConfig> ServiceConfigOf() {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return std::nullopt;
  auto service = services.Open(**manager, kServiceName, platform::service_access::kQueryConfig);
  if (!service) return std::nullopt;
  auto config = services.QueryConfig(**service);
  if (!config) return std::nullopt;
  return *config;
}

bool PointServiceAt(platform::ServiceConfig config, const std::wstring& exe) {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return false;
  auto service = services.Open(
      **manager, kServiceName,
      platform::service_access::kQueryConfig | platform::service_access::kChangeConfig);
  if (!service) return false;
  config.binary_path = Quoted(exe) + L" --service";
  return services.ChangeConfig(**service, config).ok();
}

struct Candidate {
  std::wstring path;
  ProductVersion version;
  bool running = false;
};

// The newest copy above `mine` among the places an elevated start may come from: the
// install folder, the service's command line, the machine's Run value and running
// copies. The user's own Run value is anyone's to write, so it is never a source.
std::optional<Candidate> NewestAbove(const ProductVersion& mine,
                                     const std::vector<RunningCopy>& running) {
  std::vector<Candidate> found;
  const auto consider = [&](const std::wstring& path, bool is_running) {
    const std::optional<ProductVersion> version = ExecutableVersion(path);
    if (version && *version > mine) found.push_back({path, *version, is_running});
  };
  consider(InstalledExePath(), false);
  if (const auto config = ServiceConfigOf())
    consider(ExecutableOfCommandLine(config->binary_path), false);
  const auto machine_run =
      platform::Sys().registry.ReadString({platform::Hive::kLocalMachine, kRunKey, kRunValue});
  if (machine_run) consider(ExecutableOfCommandLine(*machine_run), false);
  for (const RunningCopy& copy : running) consider(copy.path, true);
  if (found.empty()) return std::nullopt;
  return *std::max_element(found.begin(), found.end(),
                           [](const auto& a, const auto& b) { return a.version < b.version; });
}

bool AnyWithVersion(const std::vector<RunningCopy>& copies, const ProductVersion& version) {
  return std::any_of(copies.begin(), copies.end(),
                     [&](const RunningCopy& copy) { return copy.version == version; });
}

// Asks older running copies to close, then ends those that do not. False when one is
// still alive after all that.
bool CloseOlderCopies(const ProductVersion& mine) {
  auto& sys = platform::Sys();
  const auto older = [&] {
    std::vector<RunningCopy> copies = FindRunningCopies();
    std::erase_if(copies,
                  [&](const RunningCopy& copy) { return !copy.version || *copy.version >= mine; });
    return copies;
  };
  if (older().empty()) return true;
  Broadcast(kReplaceMessage);
  for (int poll = 0; poll < kExitPolls && !older().empty(); ++poll) sys.clock.Sleep(kPollMs);
  for (const RunningCopy& copy : older()) {
    (void)sys.processes.Terminate(copy.id, 1);
    (void)sys.processes.Wait(copy.id, kTerminateWaitMs);
  }
  if (!older().empty()) {
    AppendLog(L"An older Veltrane is still running. This copy left it in place.");
    return false;
  }
  AppendLog(L"Closed the older Veltrane so this version can take over.");
  return true;
}

// Copies this executable over the installed one; the path startup should use afterwards.
std::wstring InstallThisCopy(const std::wstring& self) {
  auto& sys = platform::Sys();
  const std::wstring installed = InstalledExePath();
  const std::optional<platform::ServiceConfig> config = ServiceConfigOf();
  bool stopped = false;
  if (IsServiceRunning(kServiceName) &&
      (!config || IsSamePath(ExecutableOfCommandLine(config->binary_path), installed))) {
    stopped = StopServiceByName(kServiceName) && StopServiceByName(kLegacyServiceName);
  }
  (void)sys.files.CreateDirectory(InstallFolder());
  const std::wstring error = ReplaceFileKeepingOld(installed, self);
  if (error.empty()) {
    AppendLog(L"Installed this Veltrane over the previous copy.");
    if (stopped) (void)StartServiceByName(kServiceName);
    return installed;
  }
  AppendLog(L"Could not replace the installed copy. Startup will keep using this file. " + error);
  if (stopped) (void)StartServiceByName(kServiceName);
  return self;
}

void PointStartupAt(const std::wstring& startup, const ProductVersion& mine) {
  auto& registry = platform::Sys().registry;
  if (const auto config = ServiceConfigOf();
      config && !IsSamePath(ExecutableOfCommandLine(config->binary_path), startup)) {
    const bool was_running = IsServiceRunning(kServiceName);
    if (PointServiceAt(*config, startup)) {
      AppendLog(L"The startup service now runs " + startup + L".");
      if (was_running && !IsServiceRunning(kServiceName)) (void)StartServiceByName(kServiceName);
    }
  }
  for (const platform::Hive hive : {platform::Hive::kCurrentUser, platform::Hive::kLocalMachine}) {
    const platform::RegPath value{hive, kRunKey, kRunValue};
    const auto text = registry.ReadString(value);
    if (!text) continue;
    const std::wstring exe = ExecutableOfCommandLine(*text);
    const std::optional<ProductVersion> version = ExecutableVersion(exe);
    if (!IsProductExecutableName(exe) || !version || *version >= mine) continue;
    if (registry.WriteString(value, Quoted(startup)).ok())
      AppendLog(L"Startup now launches " + startup + L".");
  }
}

}  // namespace

void Broadcast(const std::wstring& message) {
  auto& desktop = platform::Sys().desktop;
  for (const auto& window : desktop.TopLevelWindows())
    (void)desktop.PostRegisteredMessage(window.handle, message);
}

bool TakeOverFromOtherCopies(const std::wstring& args) {
  auto& sys = platform::Sys();
  const std::wstring self = sys.environment.ExecutablePath();
  const std::optional<ProductVersion> mine = ExecutableVersion(self);
  if (!mine) return true;
  // A copy of this very version that is just closing gets a moment to go.
  bool same_version = AnyWithVersion(FindRunningCopies(), *mine);
  for (int poll = 1; poll < kSameVersionPolls && same_version; ++poll) {
    sys.clock.Sleep(kPollMs);
    same_version = AnyWithVersion(FindRunningCopies(), *mine);
  }
  if (const auto newer = NewestAbove(*mine, FindRunningCopies())) {
    AppendLog(L"A newer Veltrane is installed. Opening that copy.");
    if (newer->running) {
      Broadcast(kShowMessage);
    } else {
      (void)Start(newer->path, args);
    }
    return false;
  }
  const std::wstring installed = InstalledExePath();
  std::wstring startup = self;
  if (!same_version) {
    if (!CloseOlderCopies(*mine)) {
      Broadcast(kShowMessage);
      return false;
    }
    if (!IsSamePath(self, installed)) startup = InstallThisCopy(self);
  } else if (!IsSamePath(self, installed)) {
    // This copy was not put in place, so it is no startup path: a copy in Downloads would
    // hand the service, which runs as LocalSystem, a file other accounts may replace.
    startup = sys.files.Exists(installed) ? installed : std::wstring();
  }
  if (!startup.empty()) PointStartupAt(startup, *mine);
  if (same_version || AnyWithVersion(FindRunningCopies(), *mine)) {
    Broadcast(kShowMessage);
    return false;
  }
  if (!IsSamePath(startup, self) && sys.files.Exists(startup)) {
    AppendLog(L"Opening the installed Veltrane.");
    if (Start(startup, args)) return false;
    AppendLog(L"The installed copy did not open. This copy will stay open.");
  }
  return true;
}

void DeleteLeftovers() {
  (void)DeleteLeftover(platform::Sys().environment.ExecutablePath());
  (void)DeleteLeftover(InstalledExePath());
}

bool RelaunchWithShow() {
  const std::wstring self = platform::Sys().environment.ExecutablePath();
  return Start(self, L"--show");
}

}  // namespace update
