// Hardening, the startup task and the startup guard over simulated machines.
#include "health/hardening.h"

#include <gtest/gtest.h>

#include "health/guard_task.h"
#include "health/startup_guard.h"
#include "tweaks/ppm_catalogue.h"
#include "tweaks/small_steps.h"
#include "unit/app/sim_fixture.h"
#include "unit/tweaks/faulty_ports.h"

namespace {

using platform::Hive;
using platform::PowerSource;
using platform::SimPower;

const support::Guid kStorageSubgroups[] = {
    {0x501a4d13, 0x42af, 0x4429, {0x9f, 0xd1, 0xa8, 0x21, 0xf2, 0xbb, 0x0b, 0x89}},
    {0x0012ee47, 0x9041, 0x4b5d, {0x9b, 0x77, 0x53, 0x5f, 0xba, 0x8b, 0x14, 0x42}},
    {0x2a737441, 0x1930, 0x4402, {0x8d, 0x77, 0xb2, 0xbe, 0xbb, 0xa3, 0x08, 0xa3}}};
const support::Guid kStorageSettings[] = {
    {0xee12f906, 0xd277, 0x404b, {0xb6, 0xda, 0xe5, 0xfa, 0x1a, 0x57, 0x6d, 0xf5}},
    {0x6738e2c4, 0xe8a5, 0x4a42, {0xb1, 0x6a, 0xe0, 0x40, 0xe7, 0x69, 0x75, 0x6e}},
    {0x48e6b7a6, 0x50f5, 0x4782, {0xa5, 0xd4, 0x53, 0xbb, 0x8f, 0x07, 0xe2, 0x26}}};
const support::Guid kExtraSchemes[] = {{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}},
                                       {0x55555555, 0x6666, 0x7777, {8, 8, 8, 8, 8, 8, 8, 8}}};
constexpr wchar_t kInstalled[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
constexpr wchar_t kProduct[] = L"SOFTWARE\\Veltrane";

class HardeningTest : public SimMachineTest {
 protected:
  HardeningTest() {
    machine_.files.Seed(kInstalled, platform::SimFiles::VersionedBytes({2, 10, 1, 0}));
    for (const auto& scheme : kExtraSchemes) machine_.power.AddScheme(scheme);
    machine_.tools.Install();
  }
  std::vector<support::Guid> Schemes() {
    return {SimPower::kBalanced, SimPower::kHighPerformance, SimPower::kUltimatePerformance,
            kExtraSchemes[0], kExtraSchemes[1]};
  }
  // `dc` defaults to `ac`; a different one catches a restore that mixes the sources up.
  void SeedStorageValues(std::uint32_t ac, std::optional<std::uint32_t> dc = std::nullopt) {
    for (const auto& scheme : Schemes()) {
      for (int i = 0; i < 3; ++i) {
        machine_.power.Seed(scheme, kStorageSubgroups[i], kStorageSettings[i], PowerSource::kAc,
                            ac);
        machine_.power.Seed(scheme, kStorageSubgroups[i], kStorageSettings[i], PowerSource::kDc,
                            dc.value_or(ac));
      }
    }
  }
  int CountStorageValues(std::uint32_t ac, std::optional<std::uint32_t> dc = std::nullopt) {
    int count = 0;
    for (const auto& scheme : Schemes()) {
      for (int i = 0; i < 3; ++i) {
        for (PowerSource source : {PowerSource::kAc, PowerSource::kDc}) {
          const std::uint32_t value = source == PowerSource::kAc ? ac : dc.value_or(ac);
          const auto read = machine_.power.ReadValueIndex(scheme, kStorageSubgroups[i],
                                                          kStorageSettings[i], source);
          count += read && *read == value ? 1 : 0;
        }
      }
    }
    return count;
  }
  std::uint32_t Product(const std::wstring& name) {
    return machine_.registry.ReadDword({Hive::kLocalMachine, kProduct, name}).value_or(0xDEAD);
  }
  // The guard task's program and arguments as registered; nullopt without a task.
  std::optional<std::wstring> GuardAction() {
    const auto xml = machine_.task_scheduler.Xml(L"Veltrane Guard");
    if (!xml) return std::nullopt;
    const auto between = [&xml](const std::wstring& open, const std::wstring& close) {
      const std::size_t start = xml->find(open);
      if (start == std::wstring::npos) return std::wstring(L"?");
      return xml->substr(start + open.size(), xml->find(close) - start - open.size());
    };
    return between(L"<Command>", L"</Command>") + L" " + between(L"<Arguments>", L"</Arguments>");
  }
  void SeedService(const wchar_t* name, platform::ServiceStartType start) {
    machine_.services.Seed(name, {name, L"\"C:\\Windows\\svc.exe\"", start},
                           platform::ServiceRunState::kRunning);
  }
};

TEST_F(HardeningTest, StorageOnFiveSchemesAcAndDcLeavesTheActiveScheme) {
  SeedStorageValues(7, 9);
  SeedService(L"SysMain", platform::ServiceStartType::kAuto);
  HardenStep(L"storage");
  EXPECT_EQ(CountStorageValues(0), 5 * 3 * 2);
  EXPECT_EQ(*machine_.power.ActiveScheme(), SimPower::kBalanced);
  EXPECT_EQ(Product(L"GuardStorage"), 1u);
  const auto sysmain = machine_.services.Find(L"SysMain");
  EXPECT_EQ(sysmain->config.start_type, platform::ServiceStartType::kDisabled);
  EXPECT_EQ(GuardAction(), std::wstring(kInstalled) + L" --guard");
  const std::wstring log = Log();
  EXPECT_NE(log.find(L"Veltrane Guard will re-apply hardened settings at startup."),
            std::wstring::npos);
  EXPECT_NE(log.find(L"Storage settings hardened on every power plan. SysMain stays disabled."),
            std::wstring::npos);
  // Uninstall puts back what the hardening wrote over, in every scheme, each source its own.
  EXPECT_TRUE(RestoreHardening());
  EXPECT_EQ(CountStorageValues(7, 9), 5 * 3 * 2);
}

TEST_F(HardeningTest, PlansThatCannotBeListedAreNotReportedAsHardened) {
  SeedStorageValues(7);
  machine_.power.FailNext(platform::PowerOp::kEnumerate, support::ErrorCode::kUnsupported);
  HardenStep(L"ppm");
  EXPECT_EQ(CountStorageValues(7), 5 * 3 * 2);
  EXPECT_EQ(Product(L"GuardPpm"), 1u);  // the guard tries again at every start
  const std::wstring log = Log();
  EXPECT_NE(log.find(L"The power plans could not be listed, so no power setting was hardened."),
            std::wstring::npos);
  EXPECT_EQ(log.find(L"CPU power settings hardened"), std::wstring::npos);
}

// A plan list that fails part-way, even before its first plan, restores what it listed and
// keeps the rest for a later uninstall; only a machine without the plan calls had nothing
// recorded.
TEST_F(HardeningTest, APartListAtUninstallRestoresItsSchemesAndKeepsTheRest) {
  struct Row {
    std::size_t listed;
    int restoredFirst;  // storage values back at the user's 7 after the failed restore
  };
  for (const Row row : {Row{2, 2 * 3 * 2}, Row{0, 0}}) {
    SCOPED_TRACE(row.listed);
    SeedStorageValues(7);
    HardenStep(L"storage");
    machine_.power.FailEnumerationAfter(row.listed, support::ErrorCode::kFailed);
    EXPECT_FALSE(RestoreHardening());
    EXPECT_EQ(CountStorageValues(7), row.restoredFirst);
    EXPECT_TRUE(RestoreHardening());
    EXPECT_EQ(CountStorageValues(7), 5 * 3 * 2);
  }
}

TEST_F(HardeningTest, SecondHardeningKeepsTheFirstRecord) {
  SeedStorageValues(7);
  HardenStep(L"storage");
  HardenStep(L"storage");  // the guard at the next start does the same
  RestoreHardening();
  EXPECT_EQ(CountStorageValues(7), 5 * 3 * 2);
}

TEST_F(HardeningTest, AnUnreadableStorageValueIsNeitherRecordedNorOverwritten) {
  SeedStorageValues(7);
  // The first read is Balanced's first storage value on AC.
  machine_.power.FailNext(platform::PowerOp::kRead, support::ErrorCode::kAccessDenied);
  HardenStep(L"storage");
  // That setting keeps 7 on both sources in Balanced (its DC half is not written without
  // its AC half); every other value was hardened.
  EXPECT_EQ(CountStorageValues(7), 2);
  EXPECT_TRUE(RestoreHardening());
  EXPECT_EQ(CountStorageValues(7), 5 * 3 * 2);
}

// A record that cannot be read is neither recorded over by the guard's next hardening nor
// taken for "nothing to restore": the restore fails and keeps it, and a later one brings the
// value before Veltrane back.
TEST_F(HardeningTest, AnUnreadableRecordIsNeverWrittenOverAndFailsTheRestore) {
  SeedStorageValues(7);
  HardenStep(L"storage");
  std::mt19937 rng(1);
  FaultDice dice(rng);
  FaultyRegistry registry(machine_.registry, dice);
  registry.refusedValue = L"GuardPwr_381B4222-F694-41F0-9685-FF5BB260DF2E_ASPM_hadAc";
  {
    platform::System faulty = SystemWith(machine_, registry, machine_.power);
    platform::ScopedSystem scoped(faulty);
    HardenStep(L"storage");  // the guard at the next start
    EXPECT_FALSE(RestoreHardening());
  }
  EXPECT_TRUE(RestoreHardening());
  EXPECT_EQ(CountStorageValues(7), 5 * 3 * 2);
}

TEST_F(HardeningTest, TheGameDvrPolicyComesBackAsItWasAndAnotherTypeIsLeftAlone) {
  const platform::RegPath policy{Hive::kLocalMachine, kGameDvrPolicyKey, L"AllowGameDVR"};
  struct Row {
    const char* name;
    std::optional<std::uint32_t> dword;
    std::optional<std::wstring> text;
    std::uint32_t hardened;  // what the policy reads as a DWORD after hardening; 9: not one
  };
  const Row rows[] = {
      {"absent", {}, {}, 0},
      {"allowed", 1u, {}, 0},
      {"another type", {}, L"1", 9},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    (void)machine_.registry.DeleteTree(Hive::kLocalMachine, kProduct);
    (void)machine_.registry.DeleteValue(policy);
    if (row.dword) machine_.registry.Seed(policy, *row.dword);
    if (row.text) machine_.registry.Seed(policy, *row.text);
    HardenStep(L"gpu");
    EXPECT_EQ(machine_.registry.ReadDword(policy).value_or(9), row.hardened);
    EXPECT_TRUE(RestoreHardening());
    const auto dword = machine_.registry.ReadDword(policy);
    EXPECT_EQ(dword ? std::optional<std::uint32_t>(*dword) : std::nullopt, row.dword);
    const auto text = machine_.registry.ReadString(policy);
    EXPECT_EQ(text ? std::optional<std::wstring>(*text) : std::nullopt, row.text);
  }
}

TEST_F(HardeningTest, PinnedServiceLosesItsFailureActionsAndGetsThemBackAtUninstall) {
  SeedService(L"NvTelemetryContainer", platform::ServiceStartType::kDemand);
  auto& services = machine_.services;
  {
    auto manager = services.OpenManager(platform::manager_access::kConnect);
    // As on Windows, restart actions need the start right besides the configuration right.
    auto config_only =
        services.Open(**manager, L"NvTelemetryContainer", platform::service_access::kChangeConfig);
    EXPECT_EQ(services.SetFailureActions(**config_only, {3600, {1000, 2000}}).error().win32_error,
              5u);
    EXPECT_TRUE(services.ClearFailureActions(**config_only).ok());
    auto service =
        services.Open(**manager, L"NvTelemetryContainer", platform::service_access::kAll);
    ASSERT_TRUE(services.SetFailureActions(**service, {3600, {1000, 2000}}).ok());
  }
  HardenStep(L"gpu");
  auto view = services.Find(L"NvTelemetryContainer");
  EXPECT_EQ(view->config.start_type, platform::ServiceStartType::kDisabled);
  EXPECT_EQ(view->status.state, platform::ServiceRunState::kStopped);
  EXPECT_EQ(view->failure_actions->reset_period_s, 0u);
  EXPECT_TRUE(view->failure_actions->restart_delays_ms.empty());
  EXPECT_EQ(machine_.registry.ReadDword({Hive::kLocalMachine, kGameDvrPolicyKey, L"AllowGameDVR"})
                .value_or(9),
            0u);
  EXPECT_EQ(Product(L"GuardGpu"), 1u);
  RestoreHardening();
  view = services.Find(L"NvTelemetryContainer");
  EXPECT_EQ(view->config.start_type, platform::ServiceStartType::kDemand);
  EXPECT_EQ(view->failure_actions->restart_delays_ms, (std::vector<std::uint32_t>{1000, 2000}));
  // The policy value did not exist before: uninstall removes it again.
  EXPECT_FALSE(
      machine_.registry.ReadDword({Hive::kLocalMachine, kGameDvrPolicyKey, L"AllowGameDVR"}).ok());
}

TEST_F(HardeningTest, TimerRestartsOnErrorExitsAndStarts) {
  SeedService(L"Veltrane", platform::ServiceStartType::kDemand);
  machine_.services.Seed(
      L"Veltrane", {L"Veltrane", L"\"C:\\v.exe\" --service", platform::ServiceStartType::kDemand},
      platform::ServiceRunState::kStopped);
  HardenStep(L"timer");
  const auto view = machine_.services.Find(L"Veltrane");
  EXPECT_EQ(view->config.start_type, platform::ServiceStartType::kAuto);
  EXPECT_EQ(view->config.binary_path, L"\"C:\\v.exe\" --service");
  EXPECT_EQ(view->failure_actions->reset_period_s, 86400u);
  EXPECT_EQ(view->failure_actions->restart_delays_ms,
            (std::vector<std::uint32_t>{5000, 5000, 60000}));
  EXPECT_TRUE(view->failure_actions->on_non_crash_failures);
  EXPECT_EQ(view->starts, 1u);
  EXPECT_EQ(Product(L"GuardTimer"), 1u);
}

TEST_F(HardeningTest, TimerWithoutServiceStillFlagsAndCreatesTheTask) {
  HardenStep(L"timer");
  EXPECT_EQ(Product(L"GuardTimer"), 1u);
  EXPECT_TRUE(GuardAction().has_value());
  EXPECT_NE(
      Log().find(
          L"Timer service hardened: automatic start, restart if it stops, and a startup guard."),
      std::wstring::npos);
}

TEST_F(HardeningTest, MemoryTurnsCompressionOff) {
  HardenStep(L"memory");
  EXPECT_FALSE(machine_.tools.state().memory_compression);
  EXPECT_EQ(Product(L"MemCompDisabled"), 1u);
  EXPECT_EQ(Product(L"GuardMemory"), 1u);
}

TEST_F(HardeningTest, CompressionStateFromBeforeVeltraneIsRecordedOnceAndComesBack) {
  struct Row {
    const char* name;
    bool onBefore;
    std::uint32_t earlierRecord;  // 0xDEAD: none
    std::uint32_t expectedRecord;
  };
  const Row rows[] = {
      {"on, hardening first", true, 0xDEAD, 1},
      {"off, hardening first", false, 0xDEAD, 0},
      // The Memory step came first and found it off: the hardening must not claim it was on.
      {"off, the step's record kept", true, 0, 0},
      {"on, the step's record kept", false, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    (void)machine_.registry.DeleteValue({Hive::kLocalMachine, kProduct, L"MemCompDisabled"});
    if (row.earlierRecord != 0xDEAD)
      machine_.registry.Seed({Hive::kLocalMachine, kProduct, L"MemCompDisabled"},
                             row.earlierRecord);
    auto tools = machine_.tools.state();
    tools.memory_compression = row.onBefore;
    machine_.tools.SetState(tools);
    HardenStep(L"memory");
    HardenStep(L"memory");  // the guard hardens again at every start
    EXPECT_FALSE(machine_.tools.state().memory_compression);
    EXPECT_EQ(Product(L"MemCompDisabled"), row.expectedRecord);
    ASSERT_TRUE(RestoreMemory());
    EXPECT_EQ(machine_.tools.state().memory_compression, row.expectedRecord == 1);
  }
}

TEST_F(HardeningTest, UnknownKeyChangesNothing) {
  for (const wchar_t* key : {L"afterburner", L"cpu", L"", L"TIMER"}) {
    HardenStep(key);
  }
  EXPECT_FALSE(machine_.registry.KeyExists(Hive::kLocalMachine, kProduct));
  EXPECT_TRUE(machine_.processes.runs().empty());
}

TEST_F(HardeningTest, TaskNeverPointsOutsideTheInstallFolder) {
  // A newer copy runs from Downloads: the sign-in entry may start it, the SYSTEM task not.
  machine_.files.Seed(machine_.environment.ExecutablePath(),
                      platform::SimFiles::VersionedBytes({2, 11, 0, 0}));
  CreateGuardTask();
  EXPECT_EQ(GuardAction(), std::wstring(kInstalled) + L" --guard");
  // Nothing installed: no task at all.
  machine_.task_scheduler.Seed(L"Veltrane Guard", L"old");
  ASSERT_TRUE(machine_.files.Delete(kInstalled).ok());
  CreateGuardTask();
  EXPECT_EQ(machine_.task_scheduler.Xml(L"Veltrane Guard"), L"old");
  EXPECT_NE(Log().find(L"Could not create the Veltrane Guard startup task."), std::wstring::npos);
}

// SYSTEM at every start, from the text itself; Task Scheduler lets only an administrator
// register that.
TEST_F(HardeningTest, GuardTaskRunsAsSystemAtStartAndNeedsElevation) {
  CreateGuardTask();
  const std::wstring xml = machine_.task_scheduler.Xml(L"Veltrane Guard").value_or(L"");
  for (const wchar_t* part :
       {L"    <BootTrigger>\r\n      <Enabled>true</Enabled>\r\n    </BootTrigger>\r\n",
        L"    <Principal>\r\n      <UserId>S-1-5-18</UserId>\r\n"
        L"      <RunLevel>HighestAvailable</RunLevel>\r\n",
        L"      <WorkingDirectory>C:\\Program Files\\Veltrane</WorkingDirectory>\r\n"}) {
    EXPECT_NE(xml.find(part), std::wstring::npos) << support::ToUtf8(part);
  }
  EXPECT_EQ(machine_.task_scheduler.RunAs(L"Veltrane Guard"), platform::TaskRunAs::kLocalSystem);
  EXPECT_TRUE(machine_.processes.runs().empty());
  ASSERT_TRUE(machine_.task_scheduler.Delete(L"Veltrane Guard").ok());
  machine_.environment.SetElevated(false);
  CreateGuardTask();
  EXPECT_FALSE(GuardAction().has_value());
  EXPECT_NE(Log().find(L"Task Scheduler refused the task Veltrane Guard (0x80070005)."),
            std::wstring::npos);
  EXPECT_NE(Log().find(L"Could not create the Veltrane Guard startup task."), std::wstring::npos);
}

TEST_F(HardeningTest, GuardWithoutFlagsOnlyLogsItsStart) {
  EXPECT_EQ(RunStartupGuard(), 0);
  EXPECT_TRUE(machine_.processes.runs().empty());
  EXPECT_FALSE(machine_.registry.KeyExists(Hive::kLocalMachine, kProduct));
  const std::wstring log = Log();
  EXPECT_EQ(log.size(), 19u + 2u + 13u + 2u) << support::ToUtf8(log);  // stamp, text, CR LF
  EXPECT_NE(log.find(L"  Startup guard\r\n"), std::wstring::npos);
}

TEST_F(HardeningTest, GuardReappliesFlaggedAreasOnEveryScheme) {
  struct Case {
    const char* name;
    std::uint32_t storage, ppm;  // the guard flags
    bool enumerationFails;
    std::size_t listedBeforeFailure;
    int zeros;       // storage values hardened to 0
    int perfChecks;  // schemes whose PERFCHECK (AC) holds 5000
    bool sysMainPinned;
  };
  // Schemes list in GUID order: the two listed before a failure are 11111111-... and
  // Balanced.
  const Case kCases[] = {{"five schemes", 1, 0, false, 0, 5 * 3 * 2, 0, true},
                         {"enumeration fails", 1, 0, true, 0, 0, 0, true},
                         {"enumeration fails after two schemes", 1, 0, true, 2, 2 * 3 * 2, 0, true},
                         {"only the processor settings", 0, 1, false, 0, 0, 5, false}};
  const PowerTweak& perfCheck = PpmCatalogue()[4];
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    SeedStorageValues(7);
    SeedService(L"SysMain", platform::ServiceStartType::kAuto);
    for (const auto& scheme : Schemes()) {
      for (PowerSource source : {PowerSource::kAc, PowerSource::kDc}) {
        machine_.power.Seed(scheme, perfCheck.subgroup, perfCheck.setting, source, 15);
      }
    }
    machine_.registry.Seed({Hive::kLocalMachine, kProduct, L"GuardStorage"}, c.storage);
    machine_.registry.Seed({Hive::kLocalMachine, kProduct, L"GuardPpm"}, c.ppm);
    if (c.enumerationFails) {
      machine_.power.FailEnumerationAfter(c.listedBeforeFailure, support::ErrorCode::kFailed);
    }
    EXPECT_EQ(RunStartupGuard(), 0);
    EXPECT_EQ(CountStorageValues(0), c.zeros);
    int perfChecks = 0;
    for (const auto& scheme : Schemes()) {
      const auto read = machine_.power.ReadValueIndex(scheme, perfCheck.subgroup, perfCheck.setting,
                                                      PowerSource::kAc);
      perfChecks += read && *read == 5000 ? 1 : 0;
    }
    EXPECT_EQ(perfChecks, c.perfChecks);
    EXPECT_EQ(machine_.services.Find(L"SysMain")->config.start_type,
              c.sysMainPinned ? platform::ServiceStartType::kDisabled
                              : platform::ServiceStartType::kAuto);
    EXPECT_EQ(*machine_.power.ActiveScheme(), SimPower::kBalanced);
  }
  // The guard itself creates no task: only the timer hardening re-creates it.
  EXPECT_FALSE(GuardAction().has_value());
}

}  // namespace
