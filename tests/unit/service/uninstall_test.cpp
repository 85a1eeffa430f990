// UninstallTimerService after an install, from either copy, and with nothing installed.
#include "service/uninstall.h"

#include <gtest/gtest.h>

#include "service/install.h"
#include "service_fixture.h"
#include "tweaks/cpu_tune.h"
#include "tweaks/gpu_config.h"
#include "tweaks/ppm_catalogue.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class UninstallTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    for (const wchar_t* task :
         {L"Veltrane Guard", L"Veltrane Afterburner", L"Veltrane RivaTuner"}) {
      machine_.task_scheduler.Seed(task, L"x");
    }
    machine_.registry.Seed({platform::Hive::kCurrentUser, kRunKey, L"Veltrane"},
                           std::wstring(L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\""));
    machine_.registry.Seed(
        {platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", L"Startup"}, 1u);
  }
  void Install() {
    ASSERT_TRUE(InstallTimerService(5070, true));
    machine_.console.ClearOutput();
  }
  void SeedGlobalFlag(std::uint32_t value) {
    machine_.registry.Seed(
        {platform::Hive::kLocalMachine, kKernelKeyPath, L"GlobalTimerResolutionRequests"}, value);
  }
};

TEST_F(UninstallTest, RemovesEverythingAnInstallLeft) {
  Install();
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_FALSE(machine_.services.Exists(kServiceName));
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  EXPECT_FALSE(machine_.registry.KeyExists(platform::Hive::kLocalMachine, kProductKeyPath));
  EXPECT_FALSE(GlobalFlag().has_value());
  EXPECT_FALSE(machine_.files.Exists(kInstalledExe));
  EXPECT_FALSE(machine_.files.Exists(L"C:\\Program Files\\Veltrane"));
  EXPECT_FALSE(
      machine_.registry.ReadString({platform::Hive::kCurrentUser, kRunKey, L"Veltrane"}).ok());
  // The per-user monitor settings stay for a later GUI start.
  EXPECT_TRUE(
      machine_.registry
          .ReadDword({platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", L"Startup"})
          .ok());
  for (const wchar_t* task : {L"Veltrane Guard", L"Veltrane Afterburner", L"Veltrane RivaTuner"}) {
    EXPECT_FALSE(machine_.task_scheduler.Exists(task).value()) << support::ToUtf8(task);
  }
  EXPECT_TRUE(machine_.processes.command_lines().empty());
  EXPECT_EQ(Out(),
            L"Stopping service...\n"
            L"Restored GlobalTimerResolutionRequests to its previous value (reboot to revert the "
            L"system-wide effect).\n"
            L"Removed C:\\Program Files\\Veltrane\\Veltrane.exe\n");
  EXPECT_EQ(Err(), L"");
}

TEST_F(UninstallTest, TheGlobalFlagGoesBackToItsStateBeforeTheFirstInstall) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> before;
  };
  const Case kCases[] = {{"absent", {}}, {"already 1", 1}, {"0", 0}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    (void)machine_.registry.DeleteValue(
        {platform::Hive::kLocalMachine, kKernelKeyPath, L"GlobalTimerResolutionRequests"});
    if (c.before) SeedGlobalFlag(*c.before);
    Install();
    Install();  // the record of the first install survives the second
    ASSERT_TRUE(UninstallTimerService());
    EXPECT_EQ(GlobalFlag(), c.before);
  }
}

TEST_F(UninstallTest, WithoutARecordTheGlobalFlagIsLeftAlone) {
  SeedGlobalFlag(1);
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_EQ(GlobalFlag(), 1u);
  EXPECT_EQ(Out().find(L"Restored GlobalTimerResolutionRequests"), std::wstring::npos);
}

TEST_F(UninstallTest, AGlobalFlagOfAnotherTypeIsNeitherRecordedNorDeleted) {
  const platform::RegPath flag{platform::Hive::kLocalMachine, kKernelKeyPath,
                               L"GlobalTimerResolutionRequests"};
  machine_.registry.Seed(flag, std::wstring(L"1"));
  ASSERT_TRUE(InstallTimerService(5070, true));
  EXPECT_NE(Err().find(L"GlobalTimerResolutionRequests exists with a type other than REG_DWORD"),
            std::wstring::npos);
  EXPECT_FALSE(machine_.registry
                   .ReadDword({platform::Hive::kLocalMachine, kProductKeyPath, L"GlobalFlagSaved"})
                   .ok());
  machine_.console.ClearOutput();
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_EQ(machine_.registry.ReadString(flag).value_or(L"gone"), L"1");
  EXPECT_EQ(Out().find(L"Restored GlobalTimerResolutionRequests"), std::wstring::npos);
}

TEST_F(UninstallTest, AGlobalFlagThatCannotBePutBackKeepsTheProductKey) {
  Install();  // recorded as absent
  // The only value uninstall deletes before the product key is the flag itself.
  machine_.registry.FailNext(platform::RegOp::kDelete, support::ErrorCode::kAccessDenied, 5);
  (void)UninstallTimerService();
  EXPECT_EQ(GlobalFlag(), 1u);
  EXPECT_TRUE(machine_.registry.KeyExists(platform::Hive::kLocalMachine, kProductKeyPath));
  EXPECT_NE(Err().find(L"Could not restore GlobalTimerResolutionRequests."), std::wstring::npos);
  EXPECT_EQ(Out().find(L"Restored GlobalTimerResolutionRequests"), std::wstring::npos);
}

TEST_F(UninstallTest, FromTheInstalledCopyTheFileGoesAtTheNextReboot) {
  Install();
  machine_.environment.SetExecutablePath(kInstalledExe);
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_EQ(machine_.files.PendingRebootDeletes(), (std::vector<std::wstring>{kInstalledExe}));
  EXPECT_TRUE(machine_.files.Exists(kInstalledExe));
  EXPECT_TRUE(machine_.files.Exists(L"C:\\Program Files\\Veltrane"));
  EXPECT_NE(Out().find(L"The running executable will be deleted on the next reboot.\n"),
            std::wstring::npos);
}

TEST_F(UninstallTest, NothingInstalledStillCleansUpAndSucceeds) {
  SeedProduct(L"DesiredResolution", 5070);
  SeedProduct(L"GlobalFlagSaved", 1);
  SeedProduct(L"GlobalFlagHadValue", 0);
  SeedGlobalFlag(1);
  machine_.files.Seed(kInstalledExe, "MZ");
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_FALSE(GlobalFlag().has_value());
  EXPECT_FALSE(machine_.registry.KeyExists(platform::Hive::kLocalMachine, kProductKeyPath));
  EXPECT_FALSE(machine_.files.Exists(kInstalledExe));
  EXPECT_FALSE(
      machine_.registry.ReadString({platform::Hive::kCurrentUser, kRunKey, L"Veltrane"}).ok());
  EXPECT_EQ(Out().rfind(L"Service is not installed.\n", 0), 0u) << Out();
}

TEST_F(UninstallTest, OnlyALegacyServiceIsRemovedWithoutFailing) {
  machine_.services.Seed(kLegacyServiceName, {}, platform::ServiceRunState::kRunning);
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_FALSE(machine_.services.Exists(kLegacyServiceName));
  EXPECT_EQ(Err(), L"");
}

TEST_F(UninstallTest, AFailedServiceDeletionFailsButEverythingElseIsDone) {
  Install();
  machine_.services.FailNext(platform::ServiceOp::kDelete, support::ErrorCode::kAccessDenied, 5);
  EXPECT_FALSE(UninstallTimerService());
  EXPECT_EQ(Err(), L"DeleteService failed (error 5).\n");
  EXPECT_FALSE(machine_.registry.KeyExists(platform::Hive::kLocalMachine, kProductKeyPath));
  EXPECT_FALSE(machine_.files.Exists(kInstalledExe));
}

TEST_F(UninstallTest, ALockedCopyIsReportedAndTheUninstallStillSucceeds) {
  Install();
  machine_.files.SetLock(kInstalledExe, platform::FileLock::kInUse);
  ASSERT_TRUE(UninstallTimerService());
  EXPECT_EQ(Err(),
            L"Could not delete C:\\Program Files\\Veltrane\\Veltrane.exe (error 5); "
            L"delete it manually.\n");
}

TEST_F(UninstallTest, StepsThatWereNeverAppliedRestoreNothingAndSayNothing) {
  Install();
  ASSERT_TRUE(UninstallTimerService());
  for (const wchar_t* word : {L"PPM", L"GPU", L"Memory", L"Storage", L"CPU"}) {
    EXPECT_EQ(Out().find(word), std::wstring::npos) << word;
    EXPECT_EQ(Err().find(word), std::wstring::npos) << word;
  }
}

// One step's restore that fails stops no other: the GPU value comes back while the CPU
// records keep the product key for a later uninstall.
TEST_F(UninstallTest, EachStepRestoreRunsWhateverAnotherDid) {
  struct Case {
    const char* name;
    bool cpuRestoreFails;
    std::uint32_t perfCheckAfter;
    bool keyKept;
  };
  const Case kCases[] = {
      {"both restore", false, 15, false},
      {"the CPU Tune restore fails", true, 5000, true},
  };
  constexpr wchar_t kGames[] =
      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\SystemProfile\\Tasks\\"
      L"Games";
  const PowerTweak& perfCheck = PpmCatalogue()[4];
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    PrepareInstall(m);
    m.tools.Install();
    for (auto source : {platform::PowerSource::kAc, platform::PowerSource::kDc}) {
      m.power.Seed(platform::SimPower::kUltimatePerformance, perfCheck.subgroup, perfCheck.setting,
                   source, 15);
    }
    m.registry.Seed({platform::Hive::kLocalMachine, kGames, L"GPU Priority"}, 2u);
    ASSERT_TRUE(InstallTimerService(5070, true));
    ASSERT_TRUE(ApplyCpuTune());
    ASSERT_TRUE(ApplyGpuConfig());
    // The CPU Tune restore writes the first power value of the uninstall.
    if (c.cpuRestoreFails) {
      m.power.FailNext(platform::PowerOp::kWrite, support::ErrorCode::kAccessDenied, 5);
    }
    (void)UninstallTimerService();
    m.services.StopAll();
    EXPECT_EQ(
        m.registry.ReadDword({platform::Hive::kLocalMachine, kGames, L"GPU Priority"}).value_or(0),
        2u);
    EXPECT_EQ(m.power
                  .ReadValueIndex(platform::SimPower::kUltimatePerformance, perfCheck.subgroup,
                                  perfCheck.setting, platform::PowerSource::kAc)
                  .value_or(0),
              c.perfCheckAfter);
    EXPECT_EQ(m.registry.KeyExists(platform::Hive::kLocalMachine, kProductKeyPath), c.keyKept);
  }
}

}  // namespace
