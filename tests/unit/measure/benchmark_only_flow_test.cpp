// --benchmark on the simulated machine: the service is stopped for the run and started
// again whatever the run gave.
#include <gtest/gtest.h>

#include "app/console_flows.h"
#include "app/options.h"
#include "measure/fidelity.h"
#include "measure_fixture.h"
#include "service/service_control.h"

namespace {

class BenchmarkOnlyFlowTest : public MeasureTest {
 protected:
  BenchmarkOnlyFlowTest() {
    options_.assumeYes = true;
    options_.fidelity = Fidelity::Low;
    options_.fidelitySet = true;
  }
  void SeedRunningService() {
    machine_.services.Seed(kServiceName, {L"Veltrane", L"\"C:\\x\\Veltrane.exe\" --service"},
                           platform::ServiceRunState::kRunning);
  }
  Options options_;
};

TEST_F(BenchmarkOnlyFlowTest, ARunningServiceIsStoppedAndStartedAgain) {
  SeedRunningService();
  EXPECT_EQ(BenchmarkOnlyFlow(options_), 0);
  EXPECT_TRUE(LogHas(L"Stopping the running Veltrane service for the duration of the benchmark"));
  EXPECT_TRUE(LogHas(L"Selected: 5100 (0.5100 ms), score "));
  EXPECT_TRUE(
      LogHas(L"Nothing was changed. Run with no arguments (or --install) to hold "
             L"0.5100 ms permanently via the startup service."));
  EXPECT_TRUE(LogHas(L"Restarting the Veltrane service..."));
  EXPECT_EQ(QueryTimerServiceState(), ServiceState::Running);
}

TEST_F(BenchmarkOnlyFlowTest, AFailedRunStillRestartsTheService) {
  SeedRunningService();
  machine_.timer.FailNext(platform::TimerOp::kQuery, support::ErrorCode::kFailed);
  EXPECT_EQ(BenchmarkOnlyFlow(options_), 1);
  EXPECT_TRUE(LogHas(L"ERROR: NtQueryTimerResolution failed."));
  EXPECT_TRUE(LogHas(L"Restarting the Veltrane service..."));
  EXPECT_EQ(QueryTimerServiceState(), ServiceState::Running);
}

TEST_F(BenchmarkOnlyFlowTest, NotElevatedWarnsAndLeavesTheServiceAlone) {
  SeedRunningService();
  // An elevated run made the data folder earlier; this one never makes it.
  machine_.files.SeedDirectory(L"C:\\ProgramData\\Veltrane");
  machine_.environment.SetElevated(false);
  EXPECT_EQ(BenchmarkOnlyFlow(options_), 0);
  EXPECT_TRUE(
      LogHas(L"WARNING: the Veltrane service is running and this console is not "
             L"elevated"));
  EXPECT_FALSE(LogHas(L"Restarting the Veltrane service..."));
}

TEST_F(BenchmarkOnlyFlowTest, FailureNamesTheRunFileWhenThereIsOne) {
  machine_.timer.HoldElsewhere(4000);
  machine_.timer.SetRange(156250, 4000, 156250);
  options_.sweepFrom = 5000;
  EXPECT_EQ(BenchmarkOnlyFlow(options_), 1);
  EXPECT_TRUE(LogHas(L"ERROR: No candidate could be measured"));
  EXPECT_TRUE(LogHas(L"Per-candidate data: C:\\ProgramData\\Veltrane\\benchmark-"));
  EXPECT_FALSE(LogHas(L"Restarting"));
}

TEST_F(BenchmarkOnlyFlowTest, SummaryBlock) {
  EXPECT_EQ(BenchmarkOnlyFlow(options_), 0);
  const std::wstring log = Log();
  const std::size_t selected = log.find(L"Selected: 5100 (0.5100 ms)");
  const std::size_t margin =
      log.find(L"  = best measured resolution (0.5050 ms) + 0.0050 ms safety margin");
  const std::size_t clean = log.find(L"  first resolution that never missed a tick: 0.5030 ms");
  const std::size_t csv = log.find(L"  per-candidate data: C:\\ProgramData\\Veltrane\\benchmark-");
  ASSERT_NE(selected, std::wstring::npos);
  ASSERT_NE(margin, std::wstring::npos);
  ASSERT_NE(clean, std::wstring::npos);
  ASSERT_NE(csv, std::wstring::npos);
  EXPECT_LT(selected, margin);
  EXPECT_LT(margin, clean);
  EXPECT_LT(clean, csv);
  EXPECT_TRUE(LogHas(L"  back-to-back Sleep(1): overshoot median +0.0"));
  EXPECT_TRUE(LogHas(L"  after 2-5 ms idle:     overshoot median +0.0"));
  EXPECT_TRUE(LogHas(L"  vs +"));
}

class AskFidelityTest : public MeasureTest {};

TEST_F(AskFidelityTest, AnswersAndDefaults) {
  struct Case {
    const char* name;
    const wchar_t* answer;  // nullptr: no input at all
    Fidelity fidelity;
    bool chosen;
    bool unrecognised;
  };
  const Case kCases[] = {
      {"empty keeps medium unchosen", L"", Fidelity::Medium, false, false},
      {"end of input", nullptr, Fidelity::Medium, false, false},
      {"1", L"1", Fidelity::Low, true, false},
      {"low word", L"LOWER", Fidelity::Low, true, false},
      {"2x counts as 2", L"2x", Fidelity::Medium, true, false},
      {"high", L"High", Fidelity::High, true, false},
      {"hig is not high", L"hig", Fidelity::Medium, true, true},
      {"anything else", L"9", Fidelity::Medium, true, true},
  };
  machine_.console.SetAllStreams(platform::SimConsole::StreamKind::kConsole);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    if (c.answer != nullptr) machine_.console.AddInputLine(c.answer);
    const Options asked = AskFidelity(Options{});
    EXPECT_EQ(asked.fidelity, c.fidelity);
    EXPECT_EQ(asked.fidelitySet, c.chosen);
    EXPECT_EQ(Out().find(L"Unrecognised choice; using medium.") != std::wstring::npos,
              c.unrecognised);
  }
  EXPECT_NE(Out().find(L"  [2] Medium   18 back-to-back samples, 3 passes, verify 187   ~0:36   "
                       L"(default)"),
            std::wstring::npos);
  EXPECT_NE(Out().find(L"  [1] Low       8 back-to-back samples, 1 pass, verify 100   ~0:12\n"),
            std::wstring::npos);
  EXPECT_NE(Out().find(L"Choice [2]: "), std::wstring::npos);
}

TEST_F(AskFidelityTest, NoQuestionWhenTheUserAlreadyChose) {
  machine_.console.SetAllStreams(platform::SimConsole::StreamKind::kConsole);
  Options yes;
  yes.assumeYes = true;
  Options samples;
  samples.samplesSet = true;
  for (const Options& o : {yes, samples}) {
    machine_.console.AddInputLine(L"3");
    EXPECT_EQ(AskFidelity(o).fidelity, Fidelity::Medium);
  }
  EXPECT_EQ(Out().find(L"How thoroughly"), std::wstring::npos);
  machine_.console.SetStream(platform::StdStream::kIn,
                             platform::SimConsole::StreamKind::kRedirected);
  EXPECT_EQ(AskFidelity(Options{}).fidelity, Fidelity::Medium);
  EXPECT_EQ(Out().find(L"How thoroughly"), std::wstring::npos);
}

}  // namespace
