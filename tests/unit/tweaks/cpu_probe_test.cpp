// CPU probe: the classification rules, the brand text and the probe on the sim.
#include "tweaks/cpu_probe.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"
#include "unit/app/sim_fixture.h"

namespace {

TEST(ClassifyCpuTest, FirstMatchingRuleWins) {
  struct Case {
    const char* name;
    CpuClocks clocks;  // idle, idleMax, busy, cap
    std::uint32_t cpu_class;
    std::wstring reason;
  };
  const Case kCases[] = {
      {"scaled by 100 MHz under load",
       {3600, 3600, 3700, 3700},
       kCpuDynamic,
       L"frequency scaled 3600 -> 3700 MHz under load (turbo/PBO/SpeedStep is active)"},
      {"80 MHz is not scaling",
       {4620, 4700, 4700, 4700},
       kCpuUnclear,
       L"idle 4620 MHz, busy 4700 MHz, max 4700 MHz \u2014 could not classify"},
      {"held at the cap",
       {4700, 4700, 4700, 4700},
       kCpuLocked,
       L"frequency held at 4700 MHz idle and busy (static / locked multiplier)"},
      {"headroom",
       {3000, 3000, 3060, 4500},
       kCpuDynamic,
       L"running at 3000 MHz with headroom to 4500 MHz; not treating as locked"},
      {"unclear",
       {4000, 4460, 4040, 4500},
       kCpuUnclear,
       L"idle 4000 MHz, busy 4040 MHz, max 4500 MHz \u2014 could not classify"},
      {"no cap reported",
       {3000, 3000, 3000, 0},
       kCpuUnclear,
       L"idle 3000 MHz, busy 3000 MHz, max 0 MHz \u2014 could not classify"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const CpuClassification result = ClassifyCpu(c.clocks);
    EXPECT_EQ(result.cpuClass, c.cpu_class);
    EXPECT_EQ(result.reason, c.reason);
  }
}

TEST(CpuNameFromBrandTest, TrimsBlanksAndStopsAtNul) {
  struct Case {
    const char* name;
    std::string raw;
    std::wstring expected;
  };
  const Case kCases[] = {
      {"leading blanks", std::string("   Fast CPU 9000\0\0\0", 19), L"Fast CPU 9000"},
      {"trailing blanks before the NUL", std::string("Fast CPU   \0junk", 16), L"Fast CPU"},
      {"all blanks", std::string(48, ' '), L"CPU"},
      {"leaves missing", "", L"CPU"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CpuNameFromBrand(c.raw), c.expected);
  }
}

class CpuProbeTest : public SimMachineTest {};

TEST_F(CpuProbeTest, ReadsClocksAtRestAndAfterTheLoad) {
  machine_.power.QueueReading({{0, 4700, 4690, 4700}, {1, 4700, 4700, 4700}});
  machine_.power.QueueReading({{0, 4700, 4700, 4700}, {1, 4700, 4700, 4700}});
  machine_.hardware.SetLogicalCount(2);
  machine_.hardware.SetEfficiencyClasses(std::vector<std::uint8_t>{1, 0});
  const gui::CpuProbeView view = ProbeCpu();
  EXPECT_EQ(view.cpuClass, kCpuLocked);
  EXPECT_EQ(view.idleMhz, 4690u);
  EXPECT_EQ(view.busyMhz, 4700u);
  EXPECT_EQ(view.capMhz, 4700u);
  EXPECT_EQ(view.logicalCount, 2u);
  EXPECT_TRUE(view.hybrid);
  EXPECT_EQ(view.reason,
            L"frequency held at 4700 MHz idle and busy (static / locked multiplier) (hybrid P+E "
            L"CPU)");
  EXPECT_EQ(view.name, L"Simulated Desktop CPU @ 3.60GHz");
  EXPECT_EQ(machine_.hardware.SpunMilliseconds(), 90u);
}

TEST_F(CpuProbeTest, FailedReadingsAreUnclearWithTheFailure) {
  machine_.power.FailNext(platform::PowerOp::kProcessorInformation, support::ErrorCode::kFailed);
  EXPECT_EQ(ProbeCpu().reason, L"CallNtPowerInformation(ProcessorInformation) failed");
}

TEST_F(CpuProbeTest, PerfCheckAndAppliedFlagComeFromTheMachine) {
  const support::Guid subgroup{
      0x54533251, 0x82be, 0x4824, {0x96, 0xc1, 0x47, 0xb6, 0x0b, 0x74, 0x0d, 0x00}};
  const support::Guid perfcheck{
      0x4d2b0152, 0x7d5c, 0x498b, {0x88, 0xe2, 0x34, 0x34, 0x53, 0x92, 0xa2, 0xc5}};
  machine_.power.Seed(platform::SimPower::kBalanced, subgroup, perfcheck,
                      platform::PowerSource::kAc, 5000);
  machine_.registry.Seed({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"PpmApplied"}, 1u);
  const gui::CpuProbeView view = ProbeCpu();
  EXPECT_EQ(view.perfCheckMs, 5000u);
  EXPECT_TRUE(view.ppmApplied);
  machine_.hardware.SetEfficiencyClasses(std::nullopt);
  EXPECT_FALSE(ProbeCpu().hybrid);
}

TEST_F(CpuProbeTest, PrintsFourLinesOrThreeWithoutPerfCheck) {
  machine_.console.SetAllStreams(Kind::kRedirected);
  gui::CpuProbeView view;
  view.name = L"Fast CPU";
  view.logicalCount = 8;
  view.hybrid = true;
  view.idleMhz = view.busyMhz = view.capMhz = 4700;
  view.cpuClass = kCpuLocked;
  view.reason = L"why";
  view.perfCheckMs = 5000;
  PrintCpuProbe(view);
  view.perfCheckMs = 0;
  view.hybrid = false;
  PrintCpuProbe(view);
  EXPECT_EQ(Out(),
            L"CPU: Fast CPU  (8 logical processors (hybrid P+E CPU))\n"
            L"  frequency: idle 4700 MHz, busy 4700 MHz, cap 4700 MHz\n"
            L"  current processor performance time check interval: 5000 ms\n"
            L"  classified: LOCKED / static \u2014 why\n"
            L"CPU: Fast CPU  (8 logical processors)\n"
            L"  frequency: idle 4700 MHz, busy 4700 MHz, cap 4700 MHz\n"
            L"  classified: LOCKED / static \u2014 why\n");
}

}  // namespace
