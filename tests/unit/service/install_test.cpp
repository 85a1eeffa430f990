// InstallTimerService against the simulated machine: what it leaves behind on success,
// and where it stops on each failure.
#include "service/install.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "service/service_control.h"
#include "service_fixture.h"
#include "unit/app/recording_feed.h"

namespace {

using platform::ServiceRunState;

constexpr wchar_t kInstallPathKey[] = L"InstallPath";

// A service that runs and answers stop but never records what the kernel reports.
std::shared_ptr<platform::WaitableEvent> g_silent_stop;
std::uint32_t SilentHandler(std::uint32_t control, std::uint32_t, void*, void*) {
  if (control == platform::service_control::kStop && g_silent_stop) g_silent_stop->Set();
  return 0;
}
void SilentServiceMain(std::uint32_t, wchar_t**) {
  auto& services = platform::Sys().services;
  auto status = services.RegisterControlHandler(kServiceName, SilentHandler, nullptr);
  if (!status) return;
  g_silent_stop = services.NewEvent();
  (void)services.SetStatus(**status, {ServiceRunState::kRunning, 1, 0, 0, 0});
  (void)g_silent_stop->Wait(platform::WaitableEvent::kForever);
  (void)services.SetStatus(**status, {ServiceRunState::kStopped, 0, 0, 0, 0});
}

class InstallTest : public ServiceTest {
 protected:
  bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
  }
};

TEST_F(InstallTest, FirstInstallCopiesRecordsAndStartsTheService) {
  ASSERT_TRUE(InstallTimerService(5070, true));

  EXPECT_EQ(*machine_.files.ReadAll(kInstalledExe), "MZ downloaded");
  EXPECT_EQ(Product(L"ResolutionPinned"), 1u);
  EXPECT_EQ(Product(L"DesiredResolution"), 5070u);
  EXPECT_EQ(*machine_.registry.ReadString(
                {platform::Hive::kLocalMachine, kProductKeyPath, kInstallPathKey}),
            kInstalledExe);
  EXPECT_EQ(Product(L"GlobalFlagSaved"), 1u);
  EXPECT_EQ(Product(L"GlobalFlagHadValue"), 0u);
  EXPECT_EQ(Product(L"GlobalFlagPrevious"), 0u);
  EXPECT_EQ(GlobalFlag(), 1u);

  const auto service = machine_.services.Find(kServiceName);
  ASSERT_TRUE(service.has_value());
  EXPECT_EQ(service->config.binary_path,
            L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service");
  EXPECT_EQ(service->config.display_name, L"Veltrane (timer resolution)");
  EXPECT_EQ(service->config.start_type, platform::ServiceStartType::kAuto);
  EXPECT_EQ(service->account, L"LocalSystem");
  EXPECT_EQ(service->description,
            L"Holds the system timer resolution at the value chosen by Veltrane so "
            L"Sleep()/wait timers fire with the lowest measured latency on this machine.");
  ASSERT_TRUE(service->failure_actions.has_value());
  EXPECT_EQ(service->failure_actions->reset_period_s, 86400u);
  // Without it an exit code of 1 at boot would never be retried.
  EXPECT_TRUE(service->failure_actions->on_non_crash_failures);
  EXPECT_EQ(service->failure_actions->restart_delays_ms,
            (std::vector<std::uint32_t>{5000, 5000, 60000}));
  EXPECT_EQ(service->status.state, ServiceRunState::kRunning);
  EXPECT_EQ(machine_.timer.OwnRequest(), 5070u);

  EXPECT_EQ(Out(),
            L"Copying executable to C:\\Program Files\\Veltrane\\Veltrane.exe\n"
            L"Set GlobalTimerResolutionRequests=1 (system-wide requests; takes full effect after "
            L"the next reboot).\n"
            L"Starting service...\n");
  EXPECT_EQ(Err(), L"");
}

TEST_F(InstallTest, RunningFromTheInstalledCopySkipsTheCopy) {
  machine_.files.Seed(kInstalledExe, "MZ installed");
  machine_.files.SetLock(kInstalledExe, platform::FileLock::kInUse);
  machine_.environment.SetExecutablePath(L"c:\\program files\\veltrane\\VELTRANE.EXE");
  ASSERT_TRUE(InstallTimerService(5070, true));
  EXPECT_EQ(*machine_.files.ReadAll(kInstalledExe), "MZ installed");
  EXPECT_FALSE(Contains(Out(), L"Copying executable"));
}

TEST_F(InstallTest, TheGlobalFlagRecordIsMadeOnceAndOnlyChangedWhenNeeded) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> before;
    std::uint32_t had_value, previous;
    bool message;
  };
  const Case kCases[] = {
      {"absent", {}, 0, 0, true},
      {"already 1", 1, 1, 1, false},
      {"0", 0, 1, 0, true},
      {"another value", 7, 1, 7, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.services.StopAll();
    (void)machine_.registry.DeleteTree(platform::Hive::kLocalMachine, kProductKeyPath);
    (void)machine_.registry.DeleteValue(
        {platform::Hive::kLocalMachine, kKernelKeyPath, L"GlobalTimerResolutionRequests"});
    if (c.before) {
      machine_.registry.Seed(
          {platform::Hive::kLocalMachine, kKernelKeyPath, L"GlobalTimerResolutionRequests"},
          *c.before);
    }
    machine_.console.ClearOutput();
    ASSERT_TRUE(InstallTimerService(5070, true));
    EXPECT_EQ(GlobalFlag(), 1u);
    EXPECT_EQ(Product(L"GlobalFlagHadValue"), c.had_value);
    EXPECT_EQ(Product(L"GlobalFlagPrevious"), c.previous);
    EXPECT_EQ(Contains(Out(), L"Set GlobalTimerResolutionRequests=1"), c.message);
  }
}

TEST_F(InstallTest, ASecondInstallKeepsTheFirstRecordAndUpdatesTheService) {
  ASSERT_TRUE(InstallTimerService(5070, true));
  machine_.console.ClearOutput();
  ASSERT_TRUE(InstallTimerService(5200, true));
  EXPECT_EQ(Product(L"GlobalFlagHadValue"), 0u);
  EXPECT_EQ(Product(L"DesiredResolution"), 5200u);
  EXPECT_EQ(machine_.timer.OwnRequest(), 5200u);
  EXPECT_TRUE(Contains(Out(), L"Stopping previously installed service...\n"));
  EXPECT_FALSE(Contains(Out(), L"Set GlobalTimerResolutionRequests=1"));
  EXPECT_EQ(machine_.services.Find(kServiceName)->starts, 2u);
}

TEST_F(InstallTest, AnOldServiceIsPointedAtTheInstalledCopy) {
  machine_.services.Seed(
      kServiceName,
      {L"old", L"C:\\Old\\Veltrane.exe --service", platform::ServiceStartType::kDemand},
      ServiceRunState::kRunning);
  ASSERT_TRUE(InstallTimerService(5070, true));
  const auto service = machine_.services.Find(kServiceName);
  EXPECT_EQ(service->config.binary_path,
            L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service");
  EXPECT_EQ(service->config.display_name, L"Veltrane (timer resolution)");
  EXPECT_EQ(service->config.start_type, platform::ServiceStartType::kAuto);
  EXPECT_EQ(service->status.state, ServiceRunState::kRunning);
}

TEST_F(InstallTest, TheLegacyServiceIsStoppedAndRemoved) {
  machine_.services.Seed(
      kLegacyServiceName,
      {L"Quantick", L"C:\\Quantick\\Quantick.exe", platform::ServiceStartType::kAuto},
      ServiceRunState::kRunning);
  ASSERT_TRUE(InstallTimerService(5070, true));
  EXPECT_FALSE(machine_.services.Exists(kLegacyServiceName));
  EXPECT_TRUE(Contains(Out(),
                       L"Stopping previously installed service...\n"
                       L"Removing the previous Quantick service (now Veltrane)...\n"));
}

TEST_F(InstallTest, AnUnpinnedPeriodGivesWayToTheAggregate) {
  SaveTwoRuns(5010, 5070);
  ASSERT_TRUE(InstallTimerService(5070, false));
  EXPECT_EQ(Product(L"DesiredResolution"), 5010u);
  EXPECT_EQ(Product(L"ResolutionPinned"), 0u);
  EXPECT_TRUE(Contains(Out(),
                       L"More than one run is saved. Setting the timer to 0.5010 ms, the "
                       L"lowest aggregate score, instead of 0.5070 ms.\n"));
}

TEST_F(InstallTest, APinnedPeriodIgnoresTheAggregate) {
  SaveTwoRuns(5010, 5070);
  ASSERT_TRUE(InstallTimerService(5070, true));
  EXPECT_EQ(Product(L"DesiredResolution"), 5070u);
  EXPECT_FALSE(Contains(Out(), L"More than one run"));
}

TEST_F(InstallTest, AFinerKernelSucceedsWithTheNote) {
  machine_.timer.HoldElsewhere(5000);
  ASSERT_TRUE(InstallTimerService(5070, true));
  EXPECT_TRUE(Contains(Out(),
                       L"Note: the kernel currently reports 0.5000 ms because another "
                       L"process asks for an even finer resolution; the service's 0.5070 "
                       L"ms request is in place.\n"));
}

TEST_F(InstallTest, TheFeedIsToldWhatIsBeingInstalled) {
  struct Feed : RecordingFeed {
    void ShowStatus(const std::wstring& title, const std::wstring& detail) override {
      statuses.push_back(title + L"|" + detail);
    }
    void ShowItem(const std::wstring& title, const std::wstring&) override {
      items.push_back(title);
    }
    std::vector<std::wstring> statuses, items;
  } feed;
  {
    ScopedFeed bound(&feed);
    ASSERT_TRUE(InstallTimerService(5070, true));
  }
  EXPECT_EQ(feed.statuses,
            (std::vector<std::wstring>{L"INSTALL|holding 0.5070 ms from every boot"}));
  EXPECT_EQ(feed.items, (std::vector<std::wstring>{L"Installing the auto-start service"}));
}

// The simulated manager holds a running service's image as Windows does, so a copy over
// it before the stop would fail here as it does there.
TEST_F(InstallTest, ARunningServiceHoldsItsImageUntilItStops) {
  ASSERT_TRUE(InstallTimerService(5070, true));
  const auto held = machine_.files.Copy(kDownloadedExe, kInstalledExe, true);
  ASSERT_FALSE(held.ok());
  EXPECT_EQ(held.error().win32_error, 32u);
  ASSERT_TRUE(StopServiceByName(kServiceName));
  EXPECT_TRUE(machine_.files.Copy(kDownloadedExe, kInstalledExe, true).ok());
  // A second install stops the running service before it replaces the image.
  ASSERT_TRUE(StartServiceByName(kServiceName));
  EXPECT_TRUE(InstallTimerService(5070, true));
}

TEST_F(InstallTest, EachFailureStopsTheInstallWithItsMessage) {
  struct Case {
    const char* name;
    std::function<void(platform::SimMachine&)> fault;
    std::wstring error;
    bool values_written;
    bool service_created;
  };
  const Case kCases[] = {
      {"the old copy is locked",
       [](platform::SimMachine& m) {
         m.files.Seed(kInstalledExe, "MZ old");
         m.files.SetLock(kInstalledExe, platform::FileLock::kInUse);
       },
       L"CopyFile failed (error 5). Is the old service still running?\n", false, false},
      {"the file at the running exe's path is no longer the image that runs",
       [](platform::SimMachine& m) { m.files.SwapRunningImage(); },
       L"CopyFile failed (error 1006). Is the old service still running?\n", false, false},
      {"the previous service does not stop",
       [](platform::SimMachine& m) {
         m.services.Seed(kServiceName, {L"Veltrane", L"\"C:\\x\\Veltrane.exe\" --service"},
                         platform::ServiceRunState::kRunning);
         m.services.SetStopHangs(kServiceName, true);
       },
       L"The previously installed service did not stop; nothing was changed.\n", false, true},
      {"the service stops with an exit code while starting",
       [](platform::SimMachine& m) {
         m.timer.FailNext(platform::TimerOp::kSet, support::ErrorCode::kFailed);
       },
       L"The service stopped while starting (exit code 1); see the log.\n", true, true},
      {"a service that never records the period, over an old record",
       [](platform::SimMachine& m) {
         m.services.InstallProgram(kInstalledExe, [] {
           (void)platform::Sys().services.RunDispatcher(kServiceName, SilentServiceMain);
         });
         m.registry.Seed({platform::Hive::kLocalMachine, kProductKeyPath, L"AppliedResolution"},
                         5070u);
       },
       L"Service is running but the kernel reports 0.0000 ms instead of 0.5070 ms (see the "
       L"log).\n",
       true, true},
      {"the manager refuses", [](platform::SimMachine& m) { m.services.RefuseManager(true); },
       L"OpenSCManager failed.\n", true, false},
      {"creation fails",
       [](platform::SimMachine& m) {
         m.services.FailNext(platform::ServiceOp::kCreate, support::ErrorCode::kFailed, 1078);
       },
       L"CreateService failed (error 1078).\n", true, false},
      {"the start fails",
       [](platform::SimMachine& m) { m.services.SetStartError(kServiceName, 1053); },
       L"StartService failed (error 1053).\n", true, true},
      {"the service never reaches RUNNING",
       [](platform::SimMachine& m) {
         m.services.SetStartBehaviour(kServiceName,
                                      platform::SimServices::StartBehaviour::kHangsPending);
       },
       L"Service did not reach RUNNING state.\n", true, true},
      {"the kernel stays coarser for 10 s",
       [](platform::SimMachine& m) { m.timer.IgnoreRequests(true); },
       L"Service is running but the kernel reports 15.6250 ms instead of 0.5070 ms (see the "
       L"log).\n",
       true, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    PrepareInstall(machine);
    c.fault(machine);

    EXPECT_FALSE(InstallTimerService(5070, true));
    EXPECT_EQ(machine.console.Output(Stream::kErr), c.error);
    EXPECT_EQ(machine.registry
                  .ReadDword({platform::Hive::kLocalMachine, kProductKeyPath, L"DesiredResolution"})
                  .ok(),
              c.values_written);
    EXPECT_EQ(machine.services.Exists(kServiceName), c.service_created);
    machine.services.StopAll();
  }
}

// The service keeps only the privilege every process keeps, and carries an unrestricted
// service SID. A manager that refuses one of these settings (Wine lacks levels) fails no
// install: the service runs without it, and the log says which.
TEST_F(InstallTest, TokenSettingsAreStoredOrLoggedWhenRefused) {
  using platform::ServiceOp;
  using Privileges = std::optional<std::vector<std::wstring>>;
  struct Case {
    const char* name;
    std::optional<ServiceOp> refused;
    Privileges privileges;
    std::optional<platform::ServiceSidType> sid_type;
    std::wstring logged;
  };
  const Privileges kMinimum = std::vector<std::wstring>{L"SeChangeNotifyPrivilege"};
  const Case kCases[] = {
      {"all stored", std::nullopt, kMinimum, platform::ServiceSidType::kUnrestricted, L""},
      {"no privilege level", ServiceOp::kRequiredPrivileges, std::nullopt,
       platform::ServiceSidType::kUnrestricted,
       L"The service's privilege list could not be stored (error 124)."},
      {"no SID level", ServiceOp::kSidType, kMinimum, std::nullopt,
       L"The service's SID type could not be stored (error 124)."},
      {"no failure actions level", ServiceOp::kFailureActions, kMinimum,
       platform::ServiceSidType::kUnrestricted,
       L"The service's restarts after a failed start could not be stored (error 124)."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    PrepareInstall(machine);
    if (c.refused) machine.services.FailNext(*c.refused, support::ErrorCode::kUnsupported, 124);

    EXPECT_TRUE(InstallTimerService(5070, true));
    const auto service = machine.services.Find(kServiceName);
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->required_privileges, c.privileges);
    EXPECT_EQ(service->sid_type, c.sid_type);
    const auto log = machine.files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    const std::wstring text = log ? support::FromUtf8(*log) : std::wstring();
    EXPECT_EQ(text.find(L"could not be stored") != std::wstring::npos, !c.logged.empty());
    if (!c.logged.empty()) {
      EXPECT_NE(text.find(c.logged), std::wstring::npos);
    }
    machine.services.StopAll();
  }
}

}  // namespace
