// CPU Tune: the plan switch paths, the write fallbacks of a power setting, and the
// backups that make it restorable.
#include "tweaks/cpu_tune.h"

#include <gtest/gtest.h>

#include "faulty_ports.h"
#include "support/utf.h"
#include "tweak_fixture.h"
#include "tweaks/power_protocol.h"
#include "tweaks/ppm_catalogue.h"
#include "unit/app/recording_feed.h"

namespace {

using platform::PowerSource;
using platform::SimPower;

constexpr wchar_t kKernel[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel";
const PowerTweak& PerfCheck() { return PpmCatalogue()[4]; }

class CpuTuneTest : public TweakTest {
 protected:
  std::optional<std::uint32_t> PerfCheckAc(const support::Guid& scheme) {
    auto v = machine_.power.ReadValueIndex(scheme, PerfCheck().subgroup, PerfCheck().setting,
                                           PowerSource::kAc);
    return v ? std::optional<std::uint32_t>(*v) : std::nullopt;
  }
};

TEST_F(CpuTuneTest, ThePlanSwitchTakesTheFirstPathThatWorks) {
  struct Case {
    const char* name;
    bool ultimate, templ, high;
    bool ok;
    std::wstring message;
    support::Guid active;
  };
  const Case kCases[] = {
      {"ultimate listed", true, true, true, true, L"Ultimate Performance is now the active plan",
       SimPower::kUltimatePerformance},
      {"ultimate only as a template", false, true, true, true,
       L"duplicated Ultimate Performance and set it active", SimPower::kUltimatePerformance},
      {"no ultimate on this SKU", false, false, true, true,
       L"Ultimate Performance is not on this SKU; High Performance is active instead",
       SimPower::kHighPerformance},
      {"no plan to switch to", false, false, false, false,
       L"could not switch the Windows power plan", SimPower::kBalanced},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    (void)machine_.power.SetActiveScheme(SimPower::kBalanced);
    machine_.power.RemoveScheme(SimPower::kUltimatePerformance);
    machine_.power.RemoveScheme(SimPower::kHighPerformance);
    if (c.ultimate) machine_.power.AddScheme(SimPower::kUltimatePerformance);
    if (c.high) machine_.power.AddScheme(SimPower::kHighPerformance);
    auto tools = machine_.tools.state();
    tools.ultimate_template = c.templ;
    machine_.tools.SetState(tools);
    std::wstring message;
    EXPECT_EQ(SwitchToUltimatePlan(message), c.ok);
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(*machine_.power.ActiveScheme(), c.active);
  }
}

TEST_F(CpuTuneTest, APowerSettingIsWrittenByTheApiOrByPowercfgAndConfirmed) {
  struct Case {
    const char* name;
    bool seeded;        // PERFCHECK held 15 ms before
    int apiFailures;    // API writes refused (AC, then DC)
    bool toolFails;     // powercfg refuses too
    std::wstring line;  // what the console shows last for the setting
    int state;
    std::optional<std::uint32_t> after;
    std::optional<std::uint32_t> backup, had;
    bool readFails = false;  // the first read of the previous value is refused
  };
  const Case kCases[] = {
      {"through the API", true, 0, false,
       L"    15ms  \u2192  5000ms\n    written (confirmed 5000).\n", kRowDone, 5000, 15, 1},
      {"API refused, powercfg writes", true, 2, false, L"    written (confirmed 5000).\n", kRowDone,
       5000, 15, 1},
      {"both refused", true, 2, true,
       L"  write failed for PERFCHECK (API and powercfg). Continuing with the rest.\n", kRowFailed,
       15, 15, 1},
      {"hidden and unread", false, 0, false,
       L"    (hidden/unread)  \u2192  5000ms\n    written (confirmed 5000).\n", kRowDone, 5000,
       std::nullopt, 0},
      {"the previous value cannot be read", true, 0, false,
       L"  the previous value of PERFCHECK could not be recorded; left unchanged.\n", kRowFailed,
       15, std::nullopt, std::nullopt, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.console.SetAllStreams(platform::SimConsole::StreamKind::kRedirected);
    m.power.Hide(PerfCheck().subgroup, PerfCheck().setting);
    if (c.seeded) {
      for (auto source : {PowerSource::kAc, PowerSource::kDc}) {
        m.power.Seed(SimPower::kBalanced, PerfCheck().subgroup, PerfCheck().setting, source, 15);
      }
    }
    for (int i = 0; i < c.apiFailures; ++i) {
      m.power.FailNext(platform::PowerOp::kWrite, support::ErrorCode::kFailed);
    }
    if (c.toolFails) m.tools.FailCommand(L"value", 1);
    if (c.readFails) m.power.FailNext(platform::PowerOp::kRead, support::ErrorCode::kAccessDenied);
    std::vector<TweakRow> rows{PendingRow(L"PERFCHECK", L"", L"", L"")};
    PowerTally tally;
    const PowerWritePlan plan{L"CPU TUNE", L"Ppm", false, false};
    ASSERT_TRUE(WritePowerSettings(SimPower::kBalanced, {&PerfCheck(), 1}, rows, 0, plan, tally));
    const std::wstring all =
        m.console.Output(platform::StdStream::kOut) + m.console.Output(platform::StdStream::kErr);
    EXPECT_NE(all.find(c.line), std::wstring::npos) << all;
    EXPECT_EQ(rows[0].state, c.state);
    EXPECT_FALSE(m.power.IsHidden(PerfCheck().subgroup, PerfCheck().setting));
    auto after = m.power.ReadValueIndex(SimPower::kBalanced, PerfCheck().subgroup,
                                        PerfCheck().setting, PowerSource::kAc);
    EXPECT_EQ(after ? std::optional<std::uint32_t>(*after) : std::nullopt, c.after);
    auto backup = m.registry.ReadDword(
        {platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"Ppm_PERFCHECK_ac"});
    EXPECT_EQ(backup ? std::optional<std::uint32_t>(*backup) : std::nullopt, c.backup);
    auto had = m.registry.ReadDword(
        {platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"Ppm_PERFCHECK_hadAc"});
    EXPECT_EQ(had ? std::optional<std::uint32_t>(*had) : std::nullopt, c.had);
  }
}

// Re-applying to harden must not turn the tuned value into the "previous" one, not even
// when a record cannot be read at the second apply.
TEST_F(CpuTuneTest, ASecondApplyKeepsTheFirstBackupsAndUninstallRestoresThem) {
  for (const std::wstring refused : {L"", L"Ppm_PERFCHECK_hadAc"}) {
    SCOPED_TRACE(support::ToUtf8(refused));
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.console.SetAllStreams(platform::SimConsole::StreamKind::kRedirected);
    for (auto source : {PowerSource::kAc, PowerSource::kDc}) {
      m.power.Seed(SimPower::kUltimatePerformance, PerfCheck().subgroup, PerfCheck().setting,
                   source, 15);
    }
    m.registry.Seed({platform::Hive::kLocalMachine, kKernel, L"ThreadDpcEnable"}, 1u);
    ASSERT_TRUE(ApplyCpuTune());
    std::mt19937 rng(1);
    FaultDice dice(rng);
    FaultyRegistry registry(m.registry, dice);
    registry.refusedValue = refused;
    platform::System refusing = SystemWith(m, registry, m.power);
    {
      platform::ScopedSystem second(refusing);
      (void)ApplyCpuTune();
    }
    auto product = [&](const wchar_t* name) {
      return m.registry.ReadDword({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", name});
    };
    EXPECT_EQ(product(L"Ppm_PERFCHECK_ac").value_or(0), 15u);
    EXPECT_EQ(product(L"ThreadDpcPrev").value_or(0), 1u);
    ASSERT_TRUE(RestoreCpuTune());
    auto ac = m.power.ReadValueIndex(SimPower::kUltimatePerformance, PerfCheck().subgroup,
                                     PerfCheck().setting, PowerSource::kAc);
    EXPECT_EQ(ac.value_or(0), 15u);
    EXPECT_EQ(m.registry.ReadDword({platform::Hive::kLocalMachine, kKernel, L"ThreadDpcEnable"})
                  .value_or(0),
              1u);
    EXPECT_EQ(*m.power.ActiveScheme(), SimPower::kBalanced);
  }
}

TEST_F(CpuTuneTest, ThreadDpcEnableAbsentIsDeletedAndOfAnotherTypeIsLeftAlone) {
  ASSERT_TRUE(ApplyCpuTune());
  EXPECT_EQ(Machine(kKernel, L"ThreadDpcEnable"), 0u);
  ASSERT_TRUE(RestoreCpuTune());
  EXPECT_FALSE(
      machine_.registry.TypeOf({platform::Hive::kLocalMachine, kKernel, L"ThreadDpcEnable"}));

  machine_.registry.SeedBinary({platform::Hive::kLocalMachine, kKernel, L"ThreadDpcEnable"});
  ASSERT_TRUE(ApplyCpuTune());
  EXPECT_TRUE(Has(L"ThreadDpcEnable holds a value of another type; left unchanged."));
  ASSERT_TRUE(RestoreCpuTune());
  EXPECT_EQ(machine_.registry.TypeOf({platform::Hive::kLocalMachine, kKernel, L"ThreadDpcEnable"}),
            platform::RegType::kBinary);
}

TEST_F(CpuTuneTest, WithoutTheActiveSchemeNothingIsChangedOrRecorded) {
  machine_.power.FailNext(platform::PowerOp::kActiveScheme, support::ErrorCode::kUnsupported, 120);
  EXPECT_FALSE(ApplyCpuTune());
  EXPECT_EQ(Err(), L"PowerGetActiveScheme failed; cannot apply PPM tweaks.\n");
  EXPECT_FALSE(machine_.registry.KeyExists(platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane"));
  EXPECT_TRUE(machine_.processes.command_lines().empty());
}

// A recorded plan reaches a command line only as a GUID.
TEST_F(CpuTuneTest, ARecordedPlanThatIsNotAGuidIsRefused) {
  machine_.registry.Seed({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"PpmApplied"}, 1u);
  machine_.registry.Seed(
      {platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"PpmPreviousScheme"},
      std::wstring(L"SCHEME_MIN & calc.exe"));
  EXPECT_FALSE(RestoreCpuTune());
  EXPECT_TRUE(Has(L"The recorded previous power plan is not a GUID; it was not restored."));
  EXPECT_TRUE(machine_.processes.command_lines().empty());
}

// The values go back even when the plan cannot be read at uninstall: the scheme they were
// written to is recorded.
TEST_F(CpuTuneTest, ARestoreWithoutTheActiveSchemeStillRestoresWhatItCan) {
  for (auto source : {PowerSource::kAc, PowerSource::kDc}) {
    machine_.power.Seed(SimPower::kUltimatePerformance, PerfCheck().subgroup, PerfCheck().setting,
                        source, 15);
  }
  ASSERT_TRUE(ApplyCpuTune());
  machine_.power.FailNext(platform::PowerOp::kActiveScheme, support::ErrorCode::kFailed);
  EXPECT_TRUE(RestoreCpuTune());
  EXPECT_EQ(PerfCheckAc(SimPower::kUltimatePerformance), 15u);
  EXPECT_FALSE(
      machine_.registry.TypeOf({platform::Hive::kLocalMachine, kKernel, L"ThreadDpcEnable"}));
  EXPECT_EQ(*machine_.power.ActiveScheme(), SimPower::kBalanced);
}

// Values recorded on one plan are never taken for another's: a later apply that lands on
// another plan leaves that plan's values alone.
TEST_F(CpuTuneTest, ARepeatOnAnotherPlanLeavesThatPlansValuesAlone) {
  for (const auto& scheme : {SimPower::kBalanced, SimPower::kUltimatePerformance}) {
    for (auto source : {PowerSource::kAc, PowerSource::kDc}) {
      machine_.power.Seed(scheme, PerfCheck().subgroup, PerfCheck().setting, source, 15);
    }
  }
  machine_.tools.FailCommand(L"/setactive", 1);
  machine_.tools.FailCommand(L"/duplicatescheme", 1);
  ASSERT_TRUE(ApplyCpuTune());
  EXPECT_EQ(PerfCheckAc(SimPower::kBalanced), 5000u);
  machine_.tools.ClearFailures();
  ASSERT_TRUE(ApplyCpuTune());
  EXPECT_TRUE(Has(L"The PPM values were recorded on another power plan"));
  EXPECT_EQ(PerfCheckAc(SimPower::kUltimatePerformance), 15u);
  ASSERT_TRUE(RestoreCpuTune());
  EXPECT_EQ(PerfCheckAc(SimPower::kBalanced), 15u);
  EXPECT_EQ(*machine_.power.ActiveScheme(), SimPower::kBalanced);
}

TEST_F(CpuTuneTest, AStopBeforeTheFirstChangeRecordsAndSwitchesNothing) {
  (void)machine_.power.SetActiveScheme(SimPower::kBalanced);
  RecordingFeed feed;
  feed.cancelled = true;
  ScopedFeed bound(&feed);
  EXPECT_FALSE(ApplyCpuTune());
  EXPECT_EQ(*machine_.power.ActiveScheme(), SimPower::kBalanced);
  EXPECT_FALSE(Product(L"PpmApplied").has_value());
}

}  // namespace
