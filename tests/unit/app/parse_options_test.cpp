#include "app/parse_options.h"

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace {

class ParseOptionsTest : public SimMachineTest {
 protected:
  void SetUp() override { machine_.console.SetAllStreams(Kind::kConsole); }
};

// Every field, so a switch that sets the wrong field is caught.
void ExpectSameOptions(const Options& a, const Options& b) {
  EXPECT_EQ(a.command, b.command);
  EXPECT_EQ(a.resolution, b.resolution);
  EXPECT_EQ(a.sweepFrom, b.sweepFrom);
  EXPECT_EQ(a.sweepTo, b.sweepTo);
  EXPECT_EQ(a.step, b.step);
  EXPECT_EQ(a.samples, b.samples);
  EXPECT_EQ(a.passes, b.passes);
  EXPECT_EQ(a.verifyCount, b.verifyCount);
  EXPECT_EQ(a.margin, b.margin);
  EXPECT_EQ(a.marginSet, b.marginSet);
  EXPECT_EQ(a.assumeYes, b.assumeYes);
  EXPECT_EQ(a.noPause, b.noPause);
  EXPECT_EQ(a.elevated, b.elevated);
  EXPECT_EQ(a.forceCli, b.forceCli);
  EXPECT_EQ(a.forceGui, b.forceGui);
  EXPECT_EQ(a.forcePpm, b.forcePpm);
  EXPECT_EQ(a.noPpm, b.noPpm);
  EXPECT_EQ(a.forceGpu, b.forceGpu);
  EXPECT_EQ(a.noGpu, b.noGpu);
  EXPECT_EQ(a.forceAfterburner, b.forceAfterburner);
  EXPECT_EQ(a.noAfterburner, b.noAfterburner);
  EXPECT_EQ(a.noPrepare, b.noPrepare);
  EXPECT_EQ(a.noMemory, b.noMemory);
  EXPECT_EQ(a.noStorage, b.noStorage);
  EXPECT_EQ(a.fidelity, b.fidelity);
  EXPECT_EQ(a.fidelitySet, b.fidelitySet);
  EXPECT_EQ(a.samplesSet, b.samplesSet);
  EXPECT_EQ(a.passesSet, b.passesSet);
  EXPECT_EQ(a.verifySet, b.verifySet);
  EXPECT_EQ(a.show, b.show);
  EXPECT_EQ(a.measured, b.measured);
}

Options Quick(Options o) {
  o.step = 20;
  o.passes = 1;
  o.passesSet = true;
  o.samples = 40;
  o.samplesSet = true;
  o.verifyCount = 300;
  o.verifySet = true;
  return o;
}

TEST_F(ParseOptionsTest, AcceptedCommandLines) {
  struct Case {
    const char* name;
    Arguments args;
    Options (*expected)();
  };
  const Case kCases[] = {
      {"nothing", {}, [] { return Options{}; }},
      {"passes above 20 become 20",
       {L"--passes", L"50"},
       [] {
         Options o;
         o.passes = 20;
         o.passesSet = true;
         return o;
       }},
      {"quick replaces every start value", {L"--quick"}, [] { return Quick({}); }},
      {"quick keeps explicit samples",
       {L"--quick", L"--samples", L"60"},
       [] {
         Options o = Quick({});
         o.samples = 60;
         return o;
       }},
      {"quick raises an explicit step of 10",
       {L"--step", L"10", L"--quick"},
       [] { return Quick({}); }},
      {"quick keeps another step",
       {L"--step", L"15", L"--quick"},
       [] {
         Options o = Quick({});
         o.step = 15;
         return o;
       }},
      {"quick keeps explicit passes and verify even at their start values",
       {L"--passes", L"3", L"--verify", L"1500", L"--quick"},
       [] {
         Options o = Quick({});
         o.passes = 3;
         o.verifyCount = 1500;
         return o;
       }},
      {"margin zero is a choice",
       {L"--margin", L"0"},
       [] {
         Options o;
         o.marginSet = true;
         return o;
       }},
      {"--to alone needs no --from",
       {L"--to", L"5200"},
       [] {
         Options o;
         o.sweepTo = 5200;
         return o;
       }},
      {"range and resolution",
       {L"--from", L"5000", L"--to", L"6000", L"--resolution", L"5070", L"--measured"},
       [] {
         Options o;
         o.sweepFrom = 5000;
         o.sweepTo = 6000;
         o.resolution = 5070;
         o.measured = true;
         return o;
       }},
      {"leading zeros, the largest count and the largest 32-bit period",
       {L"--samples", L"0010", L"--verify", L"1000000", L"--resolution", L"4294967295"},
       [] {
         Options o;
         o.samples = 10;
         o.samplesSet = true;
         o.verifyCount = 1000000u;
         o.verifySet = true;
         o.resolution = 4294967295u;
         return o;
       }},
      {"last command wins",
       {L"--install", L"--benchmark"},
       [] {
         Options o;
         o.command = L"benchmark";
         return o;
       }},
      {"help aliases",
       {L"/?"},
       [] {
         Options o;
         o.command = L"help";
         return o;
       }},
      {"switch names map to commands",
       {L"--apply-afterburner"},
       [] {
         Options o;
         o.command = L"afterburner";
         return o;
       }},
      {"fidelity short word",
       {L"--fidelity", L"med"},
       [] {
         Options o;
         o.fidelitySet = true;
         return o;
       }},
      {"fidelity high with yes (-y)",
       {L"--fidelity", L"high", L"-y"},
       [] {
         Options o;
         o.fidelity = Fidelity::High;
         o.fidelitySet = true;
         o.assumeYes = true;
         return o;
       }},
      {"every flag",
       {L"--cli", L"--gui", L"--ppm", L"--gpu", L"--afterburner", L"--no-prepare", L"--no-memory",
        L"--no-storage", L"--yes", L"--no-pause", L"--elevated", L"--show"},
       [] {
         Options o;
         o.forceCli = o.forceGui = o.forcePpm = o.forceGpu = o.forceAfterburner = true;
         o.noPrepare = o.noMemory = o.noStorage = o.assumeYes = o.noPause = true;
         o.elevated = o.show = true;
         return o;
       }},
      {"the no- twins",
       {L"--no-ppm", L"--no-gpu", L"--no-afterburner"},
       [] {
         Options o;
         o.noPpm = o.noGpu = o.noAfterburner = true;
         return o;
       }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    Options options;
    EXPECT_TRUE(ParseOptions(c.args, options));
    ExpectSameOptions(options, c.expected());
    EXPECT_EQ(Err(), L"");
  }
}

TEST_F(ParseOptionsTest, RefusedCommandLinesWriteOneErrorLine) {
  struct Case {
    const char* name;
    Arguments args;
    const wchar_t* line;
  };
  const Case kCases[] = {
      {"samples below minimum", {L"--samples", L"9"}, L"--samples requires a whole number >= 10."},
      {"verify below minimum", {L"--verify", L"99"}, L"--verify requires a whole number >= 100."},
      {"passes zero", {L"--passes", L"0"}, L"--passes requires a whole number >= 1."},
      {"samples above the bound",
       {L"--samples", L"100001"},
       L"--samples requires a whole number <= 100000."},
      {"passes above the bound",
       {L"--passes", L"1001"},
       L"--passes requires a whole number <= 1000."},
      {"verify above the bound",
       {L"--verify", L"4294967295"},
       L"--verify requires a whole number <= 1000000."},
      {"from above the bound",
       {L"--from", L"4294967000"},
       L"--from (100-ns units) requires a whole number <= 1562500."},
      {"to above the bound",
       {L"--to", L"1562501"},
       L"--to (100-ns units) requires a whole number <= 1562500."},
      {"step above the bound",
       {L"--step", L"4294967295"},
       L"--step (100-ns units) requires a whole number <= 1562500."},
      {"trailing characters",
       {L"--step", L"5x"},
       L"--step (100-ns units) requires a whole number >= 1."},
      {"value missing at the end", {L"--step"}, L"--step (100-ns units) requires a value."},
      {"empty value",
       {L"--resolution", L""},
       L"--resolution (100-ns units, e.g. 5070 = 0.507 ms) requires a whole number >= 1."},
      {"from zero", {L"--from", L"0"}, L"--from (100-ns units) requires a whole number >= 1."},
      {"to not a number", {L"--to", L"fast"}, L"--to (100-ns units) requires a whole number >= 1."},
      {"margin missing", {L"--margin"}, L"--margin (100-ns units) requires a value."},
      {"negative does not wrap",
       {L"--samples", L"-5"},
       L"--samples requires a whole number >= 10."},
      {"plus sign", {L"--samples", L"+50"}, L"--samples requires a whole number >= 10."},
      {"leading blank", {L"--samples", L" 50"}, L"--samples requires a whole number >= 10."},
      {"beyond 32 bits",
       {L"--samples", L"4294967296"},
       L"--samples requires a whole number >= 10."},
      {"far beyond 64 bits",
       {L"--verify", L"99999999999999999999999"},
       L"--verify requires a whole number >= 100."},
      {"a switch is not a value",
       {L"--passes", L"--yes"},
       L"--passes requires a whole number >= 1."},
      {"fidelity missing", {L"--fidelity"}, L"--fidelity requires low, medium, or high."},
      {"fidelity word is case-sensitive",
       {L"--fidelity", L"HIGH"},
       L"--fidelity requires low, medium, or high."},
      {"switch is case-sensitive",
       {L"--FIDELITY", L"high"},
       L"Unknown argument: --FIDELITY (try --help)"},
      {"unknown switch", {L"--yes", L"--turbo"}, L"Unknown argument: --turbo (try --help)"},
      {"stray value", {L"5070"}, L"Unknown argument: 5070 (try --help)"},
      {"equal range", {L"--from", L"5200", L"--to", L"5200"}, L"--to must be greater than --from."},
      {"inverted range",
       {L"--to", L"5100", L"--from", L"5200"},
       L"--to must be greater than --from."},
      {"ppm twins", {L"--ppm", L"--no-ppm"}, L"--ppm and --no-ppm cannot be used together."},
      {"gpu twins", {L"--no-gpu", L"--gpu"}, L"--gpu and --no-gpu cannot be used together."},
      {"afterburner twins",
       {L"--afterburner", L"--no-afterburner"},
       L"--afterburner and --no-afterburner cannot be used together."},
      {"cross-checks in order",
       {L"--gpu", L"--no-gpu", L"--ppm", L"--no-ppm", L"--from", L"9", L"--to", L"8"},
       L"--to must be greater than --from."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    Options options;
    EXPECT_FALSE(ParseOptions(c.args, options));
    EXPECT_EQ(Err(), std::wstring(c.line) + L"\n");
  }
}

TEST_F(ParseOptionsTest, ErrorLineReachesTheLogWithoutAConsole) {
  machine_.console.SetAllStreams(Kind::kAbsent);
  Options options;
  EXPECT_FALSE(ParseOptions({L"--samples", L"9"}, options));
  EXPECT_NE(Log().find(L"  ERROR: --samples requires a whole number >= 10.\r\n"),
            std::wstring::npos);
}

TEST(IsConsoleInvocationTest, RoleFollowsCommandAndForceSwitches) {
  struct Case {
    const char* name;
    Arguments args;
    bool console;
  };
  const Case kCases[] = {
      {"bare start opens the GUI", {}, false},
      {"tuning switches alone open the GUI", {L"--fidelity", L"high", L"--yes"}, false},
      {"--cli", {L"--cli"}, true},
      {"a command", {L"--status"}, true},
      {"help", {L"--help"}, true},
      {"short help", {L"-h"}, true},
      {"slash help", {L"/?"}, true},
      {"version", {L"--version"}, true},
      {"--gui wins over a command", {L"--gui", L"--benchmark"}, false},
      {"--gui wins over help", {L"--gui", L"--help"}, false},
      {"--gui wins over --cli", {L"--cli", L"--gui"}, false},
  };
  platform::SimMachine machine;
  platform::ScopedSystem guard(machine.system());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Options options;
    ASSERT_TRUE(ParseOptions(c.args, options));
    EXPECT_EQ(IsConsoleInvocation(c.args, options), c.console);
  }
}

}  // namespace
