// InstallTimerService: copy, values, the system-wide flag, the service, and a check that
// the kernel really runs at the period.
#include "service/install.h"

#include <memory>

#include "app/feed.h"
#include "app/output.h"
#include "measure/aggregate.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/kernel_timer.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/global_flag.h"
#include "service/same_path.h"
#include "service/service_control.h"
#include "service/service_values.h"

namespace {

using platform::ServiceRunState;

constexpr wchar_t kDisplayName[] = L"Veltrane (timer resolution)";
constexpr wchar_t kDescription[] =
    L"Holds the system timer resolution at the value chosen by Veltrane so Sleep()/wait "
    L"timers fire with the lowest measured latency on this machine.";
constexpr std::uint32_t kVerifyMs = 10000;
constexpr std::uint32_t kPollMs = 200;

// Step 1: the aggregate's choice wins over an unpinned period once two runs are saved.
std::uint32_t ChooseInterval(std::uint32_t resolution, bool pinned) {
  std::uint32_t interval = resolution;
  if (!pinned) {
    const AggregateChoice choice = LowestAggregateScore(DataFolder());
    if (choice.resolution != 0) interval = choice.resolution;
    if (resolution != 0 && interval != resolution) {
      PrintInfo(
          Format(L"More than one run is saved. Setting the timer to %.4f ms, the lowest "
                 L"aggregate score, instead of %.4f ms.",
                 Ms(interval), Ms(resolution)));
    }
  }
  // With no period at all the service would hold the kernel's finest; verify against that
  // rather than against 0, which no kernel ever reports. Any other period is clamped into
  // the kernel's range as the service will clamp it.
  const auto range = platform::Sys().kernel_timer.Query();
  if (!range) return interval;
  if (interval < range->finest) interval = range->finest;
  if (range->coarsest != 0 && interval > range->coarsest) interval = range->coarsest;
  return interval;
}

void Announce(std::uint32_t interval) {
  gui::Feed* feed = CurrentFeed();
  if (feed == nullptr) return;
  feed->ShowStatus(L"INSTALL", Format(L"holding %.4f ms from every boot", Ms(interval)));
  feed->ShowItem(L"Installing the auto-start service",
                 Format(L"Registers a Windows service that requests %.4f ms at every boot. "
                        L"GlobalTimerResolutionRequests is set so other processes use the "
                        L"tighter Sleep/wait timers after the next restart.",
                        Ms(interval)));
}

// Step 6: the service always runs the installed copy, never the one the user started.
// The bytes come from the held running image (a file in the user's Downloads could be
// swapped after the start), through a fresh name in the install folder.
bool CopyToInstallFolder(const std::wstring& running, const std::wstring& installed) {
  if (IsSamePath(running, installed)) return true;
  auto& files = platform::Sys().files;
  (void)files.CreateDirectory(InstallFolder());
  PrintInfo(Format(L"Copying executable to %ls", installed.c_str()));
  const std::wstring tmp = installed + L".new";
  (void)files.Delete(tmp);
  support::Status copied = files.CopyRunningExecutable(tmp);
  if (copied) copied = files.MoveReplace(tmp, installed);
  if (!copied) {
    (void)files.Delete(tmp);
    PrintError(Format(L"CopyFile failed (error %u). Is the old service still running?",
                      copied.error().win32_error));
    return false;
  }
  return true;
}

void WriteInstallValues(std::uint32_t interval, bool pinned, const std::wstring& installed) {
  WriteProductDword(kResolutionPinned, pinned ? 1 : 0);
  WriteProductDword(kDesiredResolution, interval);
  (void)platform::Sys().registry.WriteString(
      {platform::Hive::kLocalMachine, kProductKey, kInstallPathValue}, installed);
}

// Settings the service runs without when the manager refuses them (Wine lacks some levels):
// the install goes on, and the log keeps the reason.
void LogIfNotStored(const support::Status& stored, const wchar_t* what) {
  if (stored) return;
  AppendLog(Format(L"%ls could not be stored (error %u).", what, stored.error().win32_error));
}

// Steps 9-11: a new service, or the existing one pointed at the installed copy.
std::unique_ptr<platform::ServiceHandle> CreateOrUpdateService(const std::wstring& installed) {
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect |
                                      platform::manager_access::kCreateService);
  if (!manager) {
    PrintError(Format(L"OpenSCManager failed."));
    return nullptr;
  }
  const platform::ServiceConfig config{kDisplayName, L"\"" + installed + L"\" --service",
                                       platform::ServiceStartType::kAuto};
  auto created = services.Create(**manager, kServiceName, config);
  std::unique_ptr<platform::ServiceHandle> service;
  if (created) {
    service = std::move(created).value();
  } else if (created.error().code == support::ErrorCode::kAlreadyExists) {
    auto existing = services.Open(**manager, kServiceName, platform::service_access::kAll);
    if (!existing) {
      PrintError(Format(L"CreateService failed (error %u).", existing.error().win32_error));
      return nullptr;
    }
    service = std::move(existing).value();
    (void)services.ChangeConfig(*service, config);
  } else {
    PrintError(Format(L"CreateService failed (error %u).", created.error().win32_error));
    return nullptr;
  }
  (void)services.SetDescription(*service, kDescription);
  // Restarts also after an exit code of 1 (a timer the service could not read at boot):
  // without the flag only a crash would trigger them.
  LogIfNotStored(services.SetFailureActions(
                     *service, platform::FailureActions{86400, {5000, 5000, 60000}, true}),
                 L"The service's restarts after a failed start");
  // Setting the timer needs no privilege, so a SYSTEM process that is ever subverted gets
  // none of LocalSystem's others (the one listed is kept for every process anyway).
  LogIfNotStored(services.SetRequiredPrivileges(*service, {L"SeChangeNotifyPrivilege"}),
                 L"The service's privilege list");
  // The service SID names the service in access lists. Not restricted: that token could
  // write only where the SID is granted, and neither the data folder (its log) nor the
  // product key (AppliedResolution) grants it.
  LogIfNotStored(services.SetSidType(*service, platform::ServiceSidType::kUnrestricted),
                 L"The service's SID type");
  return service;
}

// Steps 12-13. AppliedResolution is cleared first, so only the new service's own record
// can pass the check that follows.
bool StartAndWait(platform::ServiceHandle& service) {
  auto& sys = platform::Sys();
  WriteProductDword(kAppliedResolution, 0);
  PrintInfo(Format(L"Starting service..."));
  const support::Status started = sys.services.Start(service);
  if (!started && started.error().win32_error != platform::service_error::kAlreadyRunning) {
    PrintError(Format(L"StartService failed (error %u).", started.error().win32_error));
    return false;
  }
  for (std::uint32_t waited = 0;; waited += kPollMs) {
    const auto status = sys.services.QueryStatus(service);
    if (status && status->state == ServiceRunState::kRunning) return true;
    // A service that gave up has nothing more to wait for.
    if (status && status->state == ServiceRunState::kStopped) {
      PrintError(Format(L"The service stopped while starting (exit code %u); see the log.",
                        status->win32_exit_code));
      return false;
    }
    if (!status || waited >= kServiceWaitMs) break;
    sys.clock.Sleep(kPollMs);
  }
  PrintError(Format(L"Service did not reach RUNNING state."));
  return false;
}

// Step 14: the service writes what the kernel reports; finer is fine (another process
// asks for more), coarser for the whole wait means the request is not honoured.
bool VerifyApplied(std::uint32_t interval) {
  auto& clock = platform::Sys().clock;
  std::uint32_t last = 0;
  for (std::uint32_t waited = 0;; waited += kPollMs) {
    last = ReadProductDword(kAppliedResolution).value_or(0);
    if (last != 0 && last <= interval) {
      if (last < interval) {
        PrintInfo(
            Format(L"Note: the kernel currently reports %.4f ms because another process "
                   L"asks for an even finer resolution; the service's %.4f ms request is "
                   L"in place.",
                   Ms(last), Ms(interval)));
      }
      return true;
    }
    if (waited >= kVerifyMs) break;
    clock.Sleep(kPollMs);
  }
  PrintError(
      Format(L"Service is running but the kernel reports %.4f ms instead of %.4f ms (see "
             L"the log).",
             Ms(last), Ms(interval)));
  return false;
}

}  // namespace

bool InstallTimerService(std::uint32_t resolution, bool pinned) {
  auto& sys = platform::Sys();
  const std::uint32_t interval = ChooseInterval(resolution, pinned);
  Announce(interval);
  // The copy and the service must agree on one path, whichever copy the user started.
  const std::wstring running = sys.environment.ExecutablePath();
  const std::wstring installed = InstalledExePath();
  // Steps 4-5: the running service holds the installed file open, and a service that
  // keeps running would answer the check below with its old period.
  if (IsTimerServiceInstalled()) {
    PrintInfo(Format(L"Stopping previously installed service..."));
    const bool stopped = StopServiceByName(kServiceName);
    if (!StopServiceByName(kLegacyServiceName) || !stopped) {
      PrintError(Format(L"The previously installed service did not stop; nothing was changed."));
      return false;
    }
  }
  if (ServiceExists(kLegacyServiceName)) {
    PrintInfo(Format(L"Removing the previous Quantick service (now Veltrane)..."));
    (void)RemoveLegacyService();
  }
  if (!CopyToInstallFolder(running, installed)) return false;
  // The values come before the service, which reads them the moment it starts.
  WriteInstallValues(interval, pinned, installed);
  EnableGlobalTimerRequests();
  auto service = CreateOrUpdateService(installed);
  if (!service) return false;
  if (!StartAndWait(*service)) return false;
  return VerifyApplied(interval);
}
