// Prepare, Memory and Storage: the restore point, the disks' write cache, memory
// compression, the pagefile command, SysMain, and where the storage values go back.
#include "tweaks/small_steps.h"

#include <gtest/gtest.h>

#include "app/dispatch_targets.h"
#include "service/uninstall.h"
#include "tweak_fixture.h"
#include "tweaks/cpu_tune.h"
#include "tweaks/small_step_catalogue.h"

namespace {

using platform::PowerSource;
using platform::SimPower;

class SmallStepsTest : public TweakTest {};

// System Restore makes at most one point a day: a request inside that window is accepted
// without a point, and the row names the point that protects the user instead.
TEST_F(SmallStepsTest, TheRestorePointRowSaysWhatSystemRestoreDid) {
  constexpr std::uint32_t kSilently = 0xFFFFFFFF;  // FALSE with status 0
  struct Case {
    const char* name;
    bool installed, exported, listable;
    std::uint32_t refuse;
    int pointHoursAgo;     // -1: no point yet
    int frequencyMinutes;  // -1: the value is absent
    bool made;
    std::size_t points, requests;
    std::wstring message;
  };
  const Case kCases[] = {
      {"created", true, true, true, 0, -1, -1, true, 1, 2, L"restore point #1 created"},
      {"a point of 3 hours ago protects", true, true, true, 0, 3, -1, true, 1, 1,
       L"System Restore made no new point: the point of 2024-05-01 12:00 (#1) from the last 24 "
       L"hours protects you"},
      {"a point of 25 hours ago does not", true, true, true, 0, 25, -1, true, 2, 2,
       L"restore point #2 created"},
      {"frequency 0 never skips", true, true, true, 0, 1, 0, true, 2, 2,
       L"restore point #2 created"},
      {"frequency 30 skips only within 30 minutes", true, true, true, 0, 1, 30, true, 2, 2,
       L"restore point #2 created"},
      {"the list cannot be read", true, true, false, 0, 3, -1, true, 1, 2,
       L"restore point #1 in place (the list of restore points could not be read, so it may be "
       L"the point System Restore made in the last 24 hours)"},
      {"no component", false, true, true, 0, -1, -1, false, 0, 0,
       L"srclient.dll not available (System Restore is not installed)"},
      {"no export", true, false, true, 0, -1, -1, false, 0, 0, L"SRSetRestorePointW missing"},
      {"refused", true, true, true, 1058, -1, -1, false, 0, 1,
       L"System Restore refused the checkpoint (status 1058). Enable it in System Protection."},
      {"refused without a reason (Wine's stand-in)", true, true, false, kSilently, -1, -1, false, 0,
       1,
       L"System Restore made no point and gave no reason; this Windows may lack System "
       L"Restore"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.system_restore.SetInstalled(c.installed);
    m.system_restore.SetExportPresent(c.exported);
    m.system_restore.SetListable(c.listable);
    m.system_restore.Refuse(c.refuse == kSilently ? 0 : c.refuse, c.refuse == kSilently);
    if (c.frequencyMinutes >= 0) {
      m.registry.Seed({platform::Hive::kLocalMachine,
                       L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore",
                       L"SystemRestorePointCreationFrequency"},
                      static_cast<std::uint32_t>(c.frequencyMinutes));
    }
    if (c.pointHoursAgo >= 0) {
      m.system_restore.AddPoint();
      m.clock.Advance(static_cast<std::uint64_t>(c.pointHoursAgo) * 3600 * 1000);
    }
    // --apply-prepare fails when no point protects the user; the step itself never does.
    EXPECT_EQ(RunPrepareCommand(), c.made);
    auto ok = m.registry.ReadDword(
        {platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"RestorePointOk"});
    EXPECT_EQ(ok.ok(), c.made);
    EXPECT_EQ(m.system_restore.point_count(), c.points);
    EXPECT_EQ(m.system_restore.requests().size(), c.requests);
    EXPECT_TRUE(m.tools.state().system_protection);
    const auto log = m.files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    ASSERT_TRUE(log.ok());
    const std::string text(log->begin(), log->end());
    EXPECT_NE(text.find(std::string(c.message.begin(), c.message.end())), std::string::npos);
  }
}

TEST_F(SmallStepsTest, TheWriteCacheCountsDrivesByWhatTheyAllow) {
  using Drive = platform::SimDiskCache::Drive;
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint32_t, Drive>> drives;
    bool ok;
    int enabled, failed;
  };
  const Case kCases[] = {
      {"no drive", {}, false, 0, 0},
      {"already on", {{0, Drive{true}}}, true, 1, 0},
      {"turned on", {{0, Drive{false}}}, true, 1, 0},
      {"one refuses, one unreadable, one locked away",
       {{0, Drive{false, true, false, true}},
        {1, Drive{true, true, true}},
        {2, Drive{true, false}}},
       false,
       0,
       2},
      {"drive 15 is the last one looked at", {{15, Drive{false}}, {16, Drive{false}}}, true, 1, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.disk_cache.RemoveAllDrives();
    for (const auto& [number, drive] : c.drives) machine_.disk_cache.SetDrive(number, drive);
    int enabled = 0, failed = 0;
    EXPECT_EQ(EnableDiskWriteCache(enabled, failed), c.ok);
    EXPECT_EQ(enabled, c.enabled);
    EXPECT_EQ(failed, c.failed);
  }
}

TEST_F(SmallStepsTest, CompressionComesBackOnlyIfItWasOn) {
  struct Case {
    const char* name;
    bool agent, on;
    bool applied;
    std::optional<std::uint32_t> record;
    bool afterUninstall;
  };
  const Case kCases[] = {
      {"was on", true, true, true, 1u, true},
      {"was off", true, false, true, 0u, false},
      {"no cmdlets", false, true, true, std::nullopt, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    auto tools = m.tools.state();
    tools.mm_agent = c.agent;
    tools.memory_compression = c.on;
    m.tools.SetState(tools);
    EXPECT_EQ(ApplyMemory(), c.applied);
    auto record = m.registry.ReadDword(
        {platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"MemCompDisabled"});
    EXPECT_EQ(record ? std::optional<std::uint32_t>(*record) : std::nullopt, c.record);
    EXPECT_TRUE(RestoreMemory());
    EXPECT_EQ(m.tools.state().memory_compression, c.afterUninstall);
  }
}

// The memory manager's cmdlets fail while SysMain is disabled: uninstall gives SysMain its
// start type back before it turns compression on again.
TEST_F(SmallStepsTest, UninstallRestoresSysMainBeforeCompression) {
  machine_.services.Seed(L"SysMain",
                         {L"SysMain", L"svchost.exe", platform::ServiceStartType::kAuto},
                         platform::ServiceRunState::kRunning);
  ASSERT_TRUE(ApplyMemory());
  ASSERT_TRUE(ApplyStorage());
  ASSERT_EQ(machine_.services.Find(L"SysMain")->config.start_type,
            platform::ServiceStartType::kDisabled);
  ASSERT_FALSE(machine_.tools.state().memory_compression);
  (void)UninstallTimerService();
  EXPECT_EQ(machine_.services.Find(L"SysMain")->config.start_type,
            platform::ServiceStartType::kAuto);
  EXPECT_TRUE(machine_.tools.state().memory_compression);
  EXPECT_FALSE(machine_.registry.KeyExists(platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane"));
}

// The pagefile command names the machine, which is not whatever %COMPUTERNAME% says.
TEST_F(SmallStepsTest, ThePagefileCommandNamesTheRealComputer) {
  machine_.environment.SetComputerName(L"RIG-01");
  machine_.environment.SetVariable(L"COMPUTERNAME", L"X\" or name like \"%");
  (void)ApplyMemory();
  EXPECT_TRUE(machine_.tools.state().automatic_managed_pagefile);
  bool named = false;
  for (const std::wstring& line : machine_.processes.command_lines()) {
    named = named ||
            line.find(L"computersystem where name=\"RIG-01\" set AutomaticManagedPagefile=True") !=
                std::wstring::npos;
    EXPECT_EQ(line.find(L"%computername%"), std::wstring::npos);
  }
  EXPECT_TRUE(named);
  machine_.environment.SetComputerName(L"BAD\"NAME");
  auto tools = machine_.tools.state();
  tools.automatic_managed_pagefile = false;
  machine_.tools.SetState(tools);
  (void)ApplyMemory();
  EXPECT_FALSE(machine_.tools.state().automatic_managed_pagefile);
}

TEST_F(SmallStepsTest, SysMainThatExistsButCannotBeChangedFailsItsRow) {
  machine_.services.Seed(L"SysMain",
                         {L"SysMain", L"svchost.exe", platform::ServiceStartType::kAuto},
                         platform::ServiceRunState::kRunning);
  machine_.services.FailNext(platform::ServiceOp::kChangeConfig, support::ErrorCode::kAccessDenied);
  ASSERT_TRUE(ApplyStorage());
  EXPECT_TRUE(Has(L"Applied 7 storage tweak(s), 1 failed.\n")) << Out();
  EXPECT_EQ(machine_.services.Find(L"SysMain")->config.start_type,
            platform::ServiceStartType::kAuto);
  ASSERT_TRUE(ApplyStorage());
  EXPECT_EQ(machine_.services.Find(L"SysMain")->config.start_type,
            platform::ServiceStartType::kDisabled);
  ASSERT_TRUE(RestoreStorage());
  EXPECT_EQ(machine_.services.Find(L"SysMain")->config.start_type,
            platform::ServiceStartType::kAuto);
}

// CPU Tune's restore switches the plan back before Storage's restore runs; the storage
// values still go back onto the scheme they were read from.
TEST_F(SmallStepsTest, StorageValuesGoBackOntoTheSchemeTheyCameFrom) {
  const PowerTweak& aspm = StoragePowerCatalogue()[0];
  for (auto source : {PowerSource::kAc, PowerSource::kDc}) {
    machine_.power.Seed(SimPower::kUltimatePerformance, aspm.subgroup, aspm.setting, source, 2);
    machine_.power.Seed(SimPower::kBalanced, aspm.subgroup, aspm.setting, source, 1);
  }
  ASSERT_TRUE(ApplyCpuTune());
  ASSERT_TRUE(ApplyStorage());
  ASSERT_TRUE(RestoreCpuTune());
  ASSERT_TRUE(RestoreStorage());
  EXPECT_EQ(*machine_.power.ReadValueIndex(SimPower::kUltimatePerformance, aspm.subgroup,
                                           aspm.setting, PowerSource::kAc),
            2u);
  EXPECT_EQ(*machine_.power.ReadValueIndex(SimPower::kBalanced, aspm.subgroup, aspm.setting,
                                           PowerSource::kAc),
            1u);
}

// A second Storage run on another plan leaves the recorded values alone, says so once and
// counts its three power rows as failed, not as waiting.
TEST_F(SmallStepsTest, StorageOnAnotherPlanSaysWhyOnceAndFailsItsPowerRows) {
  ASSERT_TRUE(ApplyStorage());
  ASSERT_TRUE(machine_.power.SetActiveScheme(SimPower::kUltimatePerformance).ok());
  machine_.console.ClearOutput();
  (void)ApplyStorage();
  EXPECT_TRUE(Has(L"The storage power values were recorded on another power plan"));
  EXPECT_FALSE(Has(L"Could not open the active power scheme"));
  EXPECT_TRUE(Has(L", 3 failed."));
}

}  // namespace
