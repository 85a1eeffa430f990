// RunHealthChecks over simulated machines: the list, each check's reading of the machine,
// tool faults and cancellation.
#include "health/health_checks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <random>

#include "health/tweak_checks.h"
#include "platform/sim/windows_tools_sim.h"
#include "unit/app/sim_fixture.h"

namespace {

using platform::Hive;
using S = HealthStatus;

constexpr wchar_t kClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
const support::Guid kProcessor{
    0x54533251, 0x82be, 0x4824, {0x96, 0xc1, 0x47, 0xb6, 0x0b, 0x74, 0x0d, 0x00}};
const support::Guid kPerfCheck{
    0x4d2b0152, 0x7d5c, 0x498b, {0x88, 0xe2, 0x34, 0x34, 0x53, 0x92, 0xa2, 0xc5}};

// A machine of its own for each table row, with the tool stand-ins.
struct World {
  platform::SimMachine m;
  platform::SimWindowsTools tools{m};
};

void SeedDword(World& w, Hive hive, const std::wstring& key, const std::wstring& value,
               std::uint32_t data) {
  w.m.registry.Seed({hive, key, value}, data);
}

void SeedAdapter(World& w, const wchar_t* index, const wchar_t* provider, const wchar_t* desc) {
  const std::wstring key = std::wstring(kClassKey) + L"\\" + index;
  w.m.registry.Seed({Hive::kLocalMachine, key, L"ProviderName"}, std::wstring(provider));
  w.m.registry.Seed({Hive::kLocalMachine, key, L"DriverDesc"}, std::wstring(desc));
}

class HealthChecksTest : public SimMachineTest {
 protected:
  static const HealthCheck* Find(const std::vector<HealthCheck>& checks, const std::wstring& id) {
    for (const HealthCheck& check : checks) {
      if (check.id == id) return &check;
    }
    return nullptr;
  }
  platform::SimWindowsTools tools_{machine_};
};

TEST_F(HealthChecksTest, FreshMachineListsEveryCheckInOrderAndLogsTheSummary) {
  const std::vector<HealthCheck> checks = RunHealthChecks(nullptr);
  // 9 fixed, 22 processor, 3 storage power, 6 graphics rows for every machine, 2 storage.
  ASSERT_EQ(checks.size(), 42u);
  const wchar_t* kFirst[] = {
      L"timer.service",      L"timer.global",    L"timer.effective",       L"gpu.driver",
      L"util.afterburner",   L"util.rtss",       L"util.afterburner-task", L"memory.pagefile",
      L"memory.compression", L"power.CPMINCORES"};
  for (std::size_t i = 0; i < std::size(kFirst); ++i) EXPECT_EQ(checks[i].id, kFirst[i]);
  EXPECT_EQ(checks[31].id, L"storage.ASPM");
  EXPECT_EQ(checks[34].id, L"gpu.HAGS");
  EXPECT_EQ(checks[39].id, L"gpu.MMPRIO");
  EXPECT_EQ(checks[40].id, L"storage.sysmain");
  EXPECT_EQ(checks[41].id, L"storage.trim");
  // Nothing is applied on a fresh machine: the log says how many need attention.
  const std::wstring log = Log();
  EXPECT_NE(log.find(L"  health  "), std::wstring::npos);
  EXPECT_NE(log.find(L" need attention.\r\n"), std::wstring::npos);
}

TEST_F(HealthChecksTest, EachCheckReadsTheMachine) {
  const std::wstring kKernel = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel";
  const std::wstring kProduct = L"SOFTWARE\\Veltrane";
  const std::wstring kMonitor = L"Software\\Veltrane\\Monitor";
  const std::wstring kMemory =
      L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
  const std::wstring kX86 = L"C:\\Program Files (x86)";
  const platform::ServiceConfig svc{L"S", L"\"C:\\s.exe\"", platform::ServiceStartType::kAuto};
  struct Case {
    const char* name;
    std::function<void(World&)> setup;
    const wchar_t* id;
    S status;
    const wchar_t* live;
  };
  const Case kCases[] = {
      {"timer service running",
       [&](World& w) { w.m.services.Seed(L"Veltrane", svc, platform::ServiceRunState::kRunning); },
       L"timer.service", S::Passing, L"Veltrane service is running"},
      {"only the legacy service runs",
       [&](World& w) { w.m.services.Seed(L"Quantick", svc, platform::ServiceRunState::kRunning); },
       L"timer.service", S::Passing, L"legacy Quantick service is running"},
      {"timer service stopped",
       [&](World& w) { w.m.services.Seed(L"Veltrane", svc, platform::ServiceRunState::kStopped); },
       L"timer.service", S::NeedsAttention, L"service is installed but not running"},
      {"no timer service", [](World&) {}, L"timer.service", S::NeedsAttention,
       L"service is not installed"},
      {"manager refused", [&](World& w) { w.m.services.RefuseManager(true); }, L"timer.service",
       S::Inaccessible, L"service control manager could not be queried"},
      {"global flag set",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, kKernel, L"GlobalTimerResolutionRequests", 1);
       },
       L"timer.global", S::Passing, L"GlobalTimerResolutionRequests = 1"},
      {"global flag 0",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, kKernel, L"GlobalTimerResolutionRequests", 0);
       },
       L"timer.global", S::NeedsAttention, L"GlobalTimerResolutionRequests = 0"},
      {"global flag absent", [](World&) {}, L"timer.global", S::Inaccessible, L"value unreadable"},
      {"global check turned off",
       [&](World& w) { SeedDword(w, Hive::kCurrentUser, kMonitor, L"Disabled_timer.global", 1); },
       L"timer.global", S::Disabled, L"value unreadable"},
      {"kernel 0.05 ms coarser than saved",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, kProduct, L"DesiredResolution", 10000);
         w.m.timer.SetRange(156250, 5000, 10500);
       },
       L"timer.effective", S::Passing, L"kernel reports 1.0500 ms"},
      {"kernel 0.0501 ms coarser than saved",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, kProduct, L"DesiredResolution", 10000);
         w.m.timer.SetRange(156250, 5000, 10501);
       },
       L"timer.effective", S::NeedsAttention, L"kernel reports 1.0501 ms"},
      {"kernel finer than saved: another program asked for more",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, kProduct, L"DesiredResolution", 10000);
         w.m.timer.SetRange(156250, 5000, 5000);
       },
       L"timer.effective", S::Passing, L"kernel reports 0.5000 ms"},
      {"nothing saved", [](World&) {}, L"timer.effective", S::Informational,
       L"kernel reports 15.6250 ms"},
      {"query fails",
       [&](World& w) {
         w.m.timer.FailNext(platform::TimerOp::kQuery, support::ErrorCode::kFailed);
       },
       L"timer.effective", S::Error, L"NtQueryTimerResolution failed"},
      {"driver recorded",
       [&](World& w) {
         SeedAdapter(w, L"0002", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
         w.m.registry.Seed(
             {Hive::kLocalMachine, std::wstring(kClassKey) + L"\\0002", L"DriverVersion"},
             std::wstring(L"31.0.15.5222"));
       },
       L"gpu.driver", S::Informational, L"NVIDIA GeForce RTX 4070  31.0.15.5222"},
      {"no driver recorded", [](World&) {}, L"gpu.driver", S::NeedsAttention,
       L"no display driver version was found in the display class"},
      {"afterburner running",
       [&](World& w) {
         w.m.files.Seed(kX86 + L"\\MSI Afterburner\\MSIAfterburner.exe", "MZ");
         w.m.processes.SetImageNames({L"System", L"msiafterburner.EXE"});
       },
       L"util.afterburner", S::Passing, L"installed and running"},
      {"afterburner idle",
       [&](World& w) { w.m.files.Seed(kX86 + L"\\MSI Afterburner\\MSIAfterburner.exe", "MZ"); },
       L"util.afterburner", S::Passing, L"installed, not running"},
      {"afterburner absent", [](World&) {}, L"util.afterburner", S::Informational,
       L"not installed"},
      {"rtss present",
       [&](World& w) { w.m.files.Seed(kX86 + L"\\RivaTuner Statistics Server\\RTSS.exe", "MZ"); },
       L"util.rtss", S::Passing, L"RTSS.exe is present"},
      {"logon task present",
       [&](World& w) { w.m.task_scheduler.Seed(L"Veltrane Afterburner", L"x"); },
       L"util.afterburner-task", S::Informational, L"scheduled task Veltrane Afterburner exists"},
      {"logon task absent", [](World&) {}, L"util.afterburner-task", S::Informational,
       L"no Veltrane Afterburner logon task"},
      {"task list unreadable", [](World& w) { w.m.task_scheduler.SetServiceRunning(false); },
       L"util.afterburner-task", S::Informational, L"the task list could not be read (0x80041315)"},
      {"paging file set",
       [&](World& w) {
         w.m.registry.Seed({Hive::kLocalMachine, kMemory, L"PagingFiles"},
                           std::vector<std::wstring>{L"?:\\pagefile.sys"});
       },
       L"memory.pagefile", S::Passing, L"PagingFiles is set"},
      {"paging file empty",
       [&](World& w) {
         w.m.registry.Seed({Hive::kLocalMachine, kMemory, L"PagingFiles"},
                           std::vector<std::wstring>{L""});
       },
       L"memory.pagefile", S::NeedsAttention, L"PagingFiles is empty"},
      {"paging file unreadable", [](World&) {}, L"memory.pagefile", S::Inaccessible,
       L"PagingFiles is empty"},
      {"compression on", [](World&) {}, L"memory.compression", S::NeedsAttention,
       L"MemoryCompression = True"},
      {"compression off", [&](World& w) { w.tools.SetMemoryCompression(false); },
       L"memory.compression", S::Passing, L"MemoryCompression = False"},
      {"sysmain absent", [](World&) {}, L"storage.sysmain", S::Informational,
       L"SysMain is not installed"},
      {"sysmain disabled",
       [&](World& w) {
         w.m.services.Seed(L"SysMain",
                           {L"SysMain", L"svchost", platform::ServiceStartType::kDisabled},
                           platform::ServiceRunState::kStopped);
       },
       L"storage.sysmain", S::Passing, L"start type 4"},
      {"sysmain automatic",
       [&](World& w) { w.m.services.Seed(L"SysMain", svc, platform::ServiceRunState::kRunning); },
       L"storage.sysmain", S::NeedsAttention, L"start type 2"},
      {"sysmain unreadable", [&](World& w) { w.m.services.RefuseManager(true); },
       L"storage.sysmain", S::Inaccessible, L"start type unreadable"},
      {"trim on for NTFS, off for ReFS", [&](World& w) { w.tools.SetDisableDeleteNotify(true, 1); },
       L"storage.trim", S::Passing, L"DisableDeleteNotify = 0"},
      {"trim off for NTFS, on for ReFS",
       [&](World& w) { w.tools.SetDisableDeleteNotify(false, 1); }, L"storage.trim",
       S::NeedsAttention, L"DisableDeleteNotify = 1"},
      {"scheduling on",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers",
                   L"HwSchMode", 2);
       },
       L"gpu.HAGS", S::Passing, L"2"},
      {"scheduling seeded back to 1",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers",
                   L"HwSchMode", 1);
       },
       L"gpu.HAGS", S::NeedsAttention, L"1"},
      {"game mode is read per user",
       [&](World& w) {
         SeedDword(w, Hive::kLocalMachine, L"SOFTWARE\\Microsoft\\GameBar", L"AutoGameModeEnabled",
                   1);
         SeedDword(w, Hive::kCurrentUser, L"SOFTWARE\\Microsoft\\GameBar", L"AutoGameModeEnabled",
                   0);
       },
       L"gpu.GAMEMODE", S::NeedsAttention, L"0"},
      {"perfcheck applied",
       [&](World& w) {
         w.m.power.Seed(platform::SimPower::kBalanced, kProcessor, kPerfCheck,
                        platform::PowerSource::kAc, 5000);
       },
       L"power.PERFCHECK", S::Passing, L"5000"},
      {"perfcheck drifted",
       [&](World& w) {
         w.m.power.Seed(platform::SimPower::kBalanced, kProcessor, kPerfCheck,
                        platform::PowerSource::kAc, 15);
       },
       L"power.PERFCHECK", S::NeedsAttention, L"15"},
      {"perfcheck not applied, CPU step left off",
       [&](World& w) {
         w.m.power.Seed(platform::SimPower::kBalanced, kProcessor, kPerfCheck,
                        platform::PowerSource::kAc, 15);
         SeedDword(w, Hive::kCurrentUser, kMonitor, L"Want_cpu", 0);
       },
       L"power.PERFCHECK", S::Informational, L"15"},
      {"driver profile read",
       [&](World& w) {
         SeedAdapter(w, L"0000", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
         w.m.driver_profile.Install({{0x1057EB71, 1}, {0x00CE2691, 0}});
       },
       L"gpu.NV_PWR", S::Passing, L"1"},
      {"two NVIDIA adapters, one with dynamic P-states",
       [&](World& w) {
         SeedAdapter(w, L"0000", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
         SeedAdapter(w, L"0001", L"NVIDIA", L"NVIDIA GeForce RTX 3060");
         SeedDword(w, Hive::kLocalMachine, std::wstring(kClassKey) + L"\\0000",
                   L"DisableDynamicPstate", 1);
         SeedDword(w, Hive::kLocalMachine, std::wstring(kClassKey) + L"\\0001",
                   L"DisableDynamicPstate", 0);
       },
       L"gpu.NV_DPS", S::NeedsAttention, L"1 of 2 adapters match"},
      {"no driver profile library",
       [&](World& w) { SeedAdapter(w, L"0000", L"NVIDIA", L"NVIDIA GeForce RTX 4070"); },
       L"gpu.NV_TFQ", S::Inaccessible, L"NVIDIA profile could not be read"},
      {"class-1 entry the CPU lacks", [](World&) {}, L"power.CPMINCORES1", S::Unsupported,
       L"unreadable"},
      {"unreadable entry", [](World&) {}, L"power.CPMINCORES", S::Inaccessible, L"unreadable"},
      {"no active scheme",
       [&](World& w) {
         w.m.power.FailNext(platform::PowerOp::kActiveScheme, support::ErrorCode::kFailed);
       },
       L"storage.ASPM", S::Inaccessible, L"unreadable"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    World world;
    platform::ScopedSystem guard(world.m.system());
    c.setup(world);
    const std::vector<HealthCheck> checks = RunHealthChecks(nullptr);
    const HealthCheck* check = Find(checks, c.id);
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->status, c.status);
    EXPECT_EQ(check->live, c.live);
  }
}

}  // namespace

namespace {

TEST_F(HealthChecksTest, ToolsThatFailNeverPass) {
  struct Case {
    const char* name;
    std::function<void(platform::SimProcesses&)> fault;
    const wchar_t* compressionLive;
    const wchar_t* trimLive;
  };
  const Case kCases[] = {
      {"missing tools",
       [](platform::SimProcesses& p) {
         p.Unregister(L"powershell.exe");
         p.Unregister(L"fsutil.exe");
       },
       L"Get-MMAgent returned nothing", L"fsutil returned nothing"},
      {"tools that hang past the limit",
       [](platform::SimProcesses& p) {
         auto hang = [](const std::wstring&) {
           platform::SimProcesses::Outcome o;
           o.duration_ms = 60000;
           o.output = "NTFS DisableDeleteNotify = 0\r\nFalse\r\n";
           return o;
         };
         p.Register(L"powershell.exe", hang);
         p.Register(L"fsutil.exe", hang);
       },
       L"Get-MMAgent returned nothing", L"fsutil returned nothing"},
      {"tools that fail with words in their message",
       [](platform::SimProcesses& p) {
         auto fail = [](const std::wstring&) {
           platform::SimProcesses::Outcome o;
           o.exit_code = 1;
           o.output = "Error: False = 0 access denied\r\n";
           return o;
         };
         p.Register(L"powershell.exe", fail);
         p.Register(L"fsutil.exe", fail);
       },
       L"Error: False = 0 access denied", L"Error: False = 0 access denied"},
      {"tools that answer with their help text",
       [](platform::SimProcesses& p) {
         auto help = [](const std::wstring&) {
           platform::SimProcesses::Outcome o;
           o.output = "Usage: fsutil behavior query <option> (DisableDeleteNotify = 0 | 1)\r\n";
           return o;
         };
         p.Register(L"powershell.exe", help);
         p.Register(L"fsutil.exe", help);
       },
       L"unrecognised answer from Get-MMAgent", L"unrecognised answer from fsutil"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    World world;
    platform::ScopedSystem guard(world.m.system());
    c.fault(world.m.processes);
    const std::vector<HealthCheck> checks = RunHealthChecks(nullptr);
    const HealthCheck* compression = Find(checks, L"memory.compression");
    const HealthCheck* trim = Find(checks, L"storage.trim");
    ASSERT_TRUE(compression && trim);
    EXPECT_EQ(compression->status, S::Unknown);
    EXPECT_EQ(compression->live, c.compressionLive);
    EXPECT_EQ(trim->status, S::Unknown);
    EXPECT_EQ(trim->live, c.trimLive);
  }
}

// Taking an unreadable service manager or service for "not installed" would pass a check
// that read nothing. The tweak rows alone open one service, the telemetry one.
TEST_F(HealthChecksTest, ServiceRowThatCannotBeReadIsNotAPass) {
  struct Case {
    const char* name;
    bool refuseManager, refuseOpen;
    S status;
    const wchar_t* live;
  };
  const Case kCases[] = {
      {"not installed", false, false, S::Passing, L"not installed"},
      {"manager refused", true, false, S::Inaccessible, L"start type unreadable"},
      {"service open refused", false, true, S::Inaccessible, L"start type unreadable"}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    World world;
    platform::ScopedSystem guard(world.m.system());
    SeedAdapter(world, L"0000", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
    world.m.services.RefuseManager(c.refuseManager);
    if (c.refuseOpen) {
      world.m.services.FailNext(platform::ServiceOp::kOpen, support::ErrorCode::kAccessDenied, 5);
    }
    std::vector<HealthCheck> checks;
    ASSERT_TRUE(AppendTweakChecks(checks, nullptr));
    const HealthCheck* check = Find(checks, L"gpu.NV_TELEMETRY");
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->status, c.status);
    EXPECT_EQ(check->live, c.live);
    EXPECT_EQ(checks.size(), 31u + 20u);  // the 20 NVIDIA rows join the tweak rows
  }
}

TEST_F(HealthChecksTest, CancelReturnsTheChecksDoneAndLogsNothing) {
  std::atomic<bool> cancel{false};
  // The user cancels while the ninth check waits for PowerShell.
  machine_.processes.Register(L"powershell.exe", [&cancel](const std::wstring&) {
    cancel = true;
    return platform::SimProcesses::Outcome{};
  });
  const std::vector<HealthCheck> checks = RunHealthChecks(&cancel);
  ASSERT_EQ(checks.size(), 8u);
  EXPECT_EQ(checks.back().id, L"memory.pagefile");
  EXPECT_EQ(Log().find(L"health"), std::wstring::npos);
}

}  // namespace

namespace {

// Over random machines: the list never changes shape, a repair step is only offered where
// a repair can help, and nothing a tool failed to report passes.
TEST_F(HealthChecksTest, PropertiesOverRandomMachines) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    World world;
    platform::ScopedSystem guard(world.m.system());
    auto coin = [&random] { return (random() & 1) != 0; };
    if (coin()) SeedAdapter(world, L"0001", L"NVIDIA", L"NVIDIA RTX");
    if (coin()) SeedAdapter(world, L"0002", L"Advanced Micro Devices, Inc.", L"AMD Radeon");
    if (coin()) world.tools.SetMemoryCompression(false);
    if (coin()) world.tools.SetDisableDeleteNotify(false, 1);
    const bool toolsFail = coin();
    if (toolsFail) {
      world.m.processes.Unregister(L"powershell.exe");
      world.m.processes.Unregister(L"fsutil.exe");
    }
    if (coin()) world.m.services.RefuseManager(true);
    if (coin())
      world.m.power.FailNext(platform::PowerOp::kActiveScheme, support::ErrorCode::kFailed);
    for (const wchar_t* value : {L"Want_cpu", L"Want_gpu", L"Want_storage"}) {
      if (coin()) SeedDword(world, Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", value, 0);
    }
    const std::vector<HealthCheck> checks = RunHealthChecks(nullptr);
    EXPECT_GE(checks.size(), 42u);
    for (const HealthCheck& check : checks) {
      SCOPED_TRACE(support::ToUtf8(check.id));
      if (check.status == S::Passing || check.status == S::Disabled ||
          check.status == S::Unsupported) {
        EXPECT_TRUE(check.repairStep.empty());
      }
      EXPECT_FALSE(check.explanation.empty());
      EXPECT_NE(check.checkedAt, 0u);
      if (toolsFail && (check.id == L"memory.compression" || check.id == L"storage.trim")) {
        EXPECT_EQ(check.status, S::Unknown);
      }
    }
  }
}

}  // namespace
