#include "gui/scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <stdexcept>
#include <thread>

#include "scheduler_fakes.h"

namespace gui {
namespace {

using namespace testing_fakes;

bool Ended(Scheduler& s, StepIndex i) { return IsEnded(s.State(static_cast<int>(i))); }

TEST(GuiScheduler, FullTuneRunsEveryStepInOrderAndEndsOnReview) {
  Fixture f;
  f.host.driverLookup = nullptr;  // no lookup: the driver step cannot run here
  f.host.stepSwitches[static_cast<int>(StepIndex::GpuClean)] = false;
  Scheduler s(f.host, f.clock, f.sink);
  s.Startup();
  EXPECT_EQ(s.CurrentStage(), Stage::Home);
  ASSERT_TRUE(s.Begin());
  EXPECT_EQ(s.CurrentStage(), Stage::FullTune);
  // Afterburner is never started by the tick: it is offered once everything before it ran.
  f.PollUntil(
      s, [&] { return s.AfterburnerOffered(); }, 1);
  EXPECT_EQ(s.State(6), StepState::Idle);
  ASSERT_TRUE(s.StartOfferedAfterburner());
  f.PollUntil(
      s, [&] { return s.CurrentStage() == Stage::Review; }, 1);
  for (int i = 0; i < kStepCount; ++i) {
    const StepState want = i == 4 ? StepState::Idle : StepState::Finished;
    EXPECT_EQ(s.State(i), want) << i;
  }
  EXPECT_EQ(f.installed.load(), 10000u);
  EXPECT_FALSE(s.FullTuneActive());
  // One line per finished step, Measure none, each exactly once.
  const std::vector<std::wstring> history = f.History();
  ASSERT_EQ(history.size(), 7u);
  EXPECT_EQ(history[0], L"Restore point: Pre-tune restore point created");
  EXPECT_EQ(
      std::count(history.begin(), history.end(), L"Timer hold: Boot service holding 1.0000 ms"), 1);
}

TEST(GuiScheduler, FailedPrepareBlocksUntilContinueAnywayAndHoldNeverOvertakesIt) {
  Fixture f;
  f.host.resolution = 5000;  // a value is known, so an automatic Hold could start at once
  f.host.measured = true;
  Gate prepare;
  f.host.prepare = [&](Feed&) { return prepare.Pass(1); };
  Scheduler s(f.host, f.clock, f.sink);
  s.Startup();
  ASSERT_TRUE(s.Begin());
  f.PollUntil(s, [&] { return prepare.Entered(); });
  for (int i = 1; i < kStepCount; ++i) EXPECT_EQ(s.State(i), StepState::Idle) << i;
  prepare.Open();
  f.PollUntil(s, [&] { return Ended(s, StepIndex::Prepare); });
  for (int i = 0; i < 20; ++i) s.Update(12);
  EXPECT_EQ(s.State(0), StepState::Failed);
  for (int i = 1; i < kStepCount; ++i) EXPECT_EQ(s.State(i), StepState::Idle) << i;
  EXPECT_EQ(ActiveCount(s.View()), 1);  // the Retry / Continue anyway card

  s.ContinuePrepareAnyway();
  f.PollUntil(s, [&] { return Ended(s, StepIndex::Hold); });
  EXPECT_EQ(s.State(static_cast<int>(StepIndex::Measure)), StepState::Finished);
}

TEST(GuiScheduler, HoldStoppedWhileWaitingForMeasureNeverInstalls) {
  Fixture f;
  Gate measure;
  f.measureStopsService = true;
  f.host.measure = [&](Feed&, int, bool& stopped) {
    stopped = true;
    ResultView r;
    r.selected = measure.Pass(10000);
    return r;
  };
  Scheduler s(f.host, f.clock, f.sink);
  s.Startup();
  ASSERT_TRUE(s.StartBenchmark(true));
  f.PollUntil(s, [&] { return measure.Entered(); });
  ASSERT_TRUE(s.StartInstall(true, 0));
  f.PollUntil(s, [&] { return s.State(2) == StepState::Waiting; });
  FeedSnapshot hold;
  s.FeedOf(2).Snapshot(hold);
  EXPECT_EQ(hold.detail, L"waiting for the timer measurement to finish");
  EXPECT_FALSE(s.StartInstall(true, 0));  // busy: the first worker is kept
  s.Stop(2);
  f.PollUntil(s, [&] { return Ended(s, StepIndex::Hold); });
  EXPECT_EQ(s.State(2), StepState::Stopped);
  measure.Open();
  f.PollUntil(s, [&] { return Ended(s, StepIndex::Measure); });
  EXPECT_EQ(f.installed.load(), 0u);
  // Hold had stopped before the measurement ended, so the service went back at once.
  EXPECT_EQ(f.restarts.load(), 1);
  s.Exit(false);
  EXPECT_EQ(f.restarts.load(), 1);
}

// Who restarts the timer service a measurement stopped, and when.
TEST(GuiScheduler, OwedRestartMatrix) {
  struct Row {
    const char* name;
    bool measureThrows;
    int installReturn;  // of the Hold that waits behind Measure; -1 no Hold
    int restartsAfterRun, restartsAfterExit, closes;
  };
  const Row rows[] = {
      {"no hold: restarted at once", false, -1, 1, 1, 0},
      {"measure throws: still restarted", true, -1, 1, 1, 0},
      {"hold installs: settled", false, 0, 0, 0, 0},
      {"hold fails: restarted then", false, 1, 1, 1, 0},
      {"hold hands off: still owed at exit", false, 2, 0, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fixture f;
    Gate measure;
    f.installReturn = row.installReturn;
    f.host.measure = [&](Feed&, int, bool& stopped) {
      stopped = true;
      const int value = measure.Pass(10000);
      if (row.measureThrows) throw std::runtime_error("sampler broke");
      ResultView r;
      r.selected = static_cast<std::uint32_t>(value);
      return r;
    };
    Scheduler s(f.host, f.clock, f.sink);
    s.Selection()[2] = false;  // no automatic Hold; the row starts its own
    s.StartBenchmark(false);
    f.PollUntil(s, [&] { return measure.Entered(); });
    if (row.installReturn >= 0) {
      s.StartInstall(false, 0);
      f.PollUntil(s, [&] { return s.State(2) == StepState::Waiting; });
    }
    measure.Open();
    f.PollUntil(s, [&] {
      return Ended(s, StepIndex::Measure) && (row.installReturn < 0 || Ended(s, StepIndex::Hold));
    });
    EXPECT_EQ(f.restarts.load(), row.restartsAfterRun);
    EXPECT_EQ(f.sink.closes.load(), row.closes);
    if (row.installReturn == 2) {
      EXPECT_TRUE(f.History().empty());  // a hand-off is not a success of this copy
      EXPECT_EQ(s.CurrentStage(), Stage::Welcome);
    }
    s.Exit(false);
    EXPECT_EQ(f.restarts.load(), row.restartsAfterExit);
  }
}

TEST(GuiScheduler, SkipDuringDownloadIsNotOverwrittenAndGpuConfigFollows) {
  Fixture f;
  Gate download;
  std::atomic<int> gpuRuns{0};
  f.host.gpu = [&](Feed&) {
    ++gpuRuns;
    return 0;
  };
  f.host.driverDownload = [&](Feed&, GpuDriverOffer& offer, const std::atomic<bool>*) {
    offer.message = L"late failure";
    return download.Pass(1);
  };
  Scheduler s(f.host, f.clock, f.sink);
  s.Selection() = {false, false, false, false, true, true, false, false, false};
  ASSERT_TRUE(s.Begin());
  f.PollUntil(
      s, [&] { return s.Flow().State() == GpuFlow::OfferReady && Ended(s, StepIndex::GpuClean); });
  EXPECT_EQ(s.State(5), StepState::Idle);  // GPU Config waits for the driver
  ASSERT_TRUE(s.BeginGpuDownload());
  EXPECT_FALSE(s.BeginGpuDownload());  // busy
  f.PollUntil(s, [&] { return download.Entered(); });
  ASSERT_TRUE(s.SkipGpuClean());
  EXPECT_EQ(s.Flow().State(), GpuFlow::Idle);
  download.Open();
  f.PollUntil(s, [&] { return s.CurrentStage() == Stage::Review; });
  EXPECT_EQ(s.Flow().State(), GpuFlow::Idle);  // the late failure did not land
  EXPECT_EQ(s.State(4), StepState::Stopped);
  EXPECT_EQ(gpuRuns.load(), 1);
  for (const std::wstring& line : f.History()) EXPECT_NE(line.find(L"GPU driver"), 0u);
}

TEST(GuiScheduler, DriverInstalledHistoryOnceAndLookupStoppedThenRetried) {
  Fixture f;
  Gate lookup;
  const auto found = f.host.driverLookup;
  std::atomic<bool> gateLookup{true};
  f.host.driverLookup = [&](Feed& feed, const std::atomic<bool>* cancel) {
    if (gateLookup) lookup.Pass(0);
    return found(feed, cancel);
  };
  f.host.driverDownload = [](Feed&, GpuDriverOffer& offer, const std::atomic<bool>*) {
    offer.localPath = L"C:\\ProgramData\\Veltrane\\drivers\\driver.exe";
    return 0;
  };
  f.host.driverInstall = [](Feed&, GpuDriverOffer&) { return 0; };
  Scheduler s(f.host, f.clock, f.sink);
  s.Startup();
  ASSERT_TRUE(s.BeginGpuLookup());
  EXPECT_FALSE(s.BeginGpuInstall());  // nothing downloaded yet
  f.PollUntil(s, [&] { return lookup.Entered(); });
  s.Stop(4);
  lookup.Open();
  f.PollUntil(s, [&] { return Ended(s, StepIndex::GpuClean); });
  EXPECT_EQ(s.State(4), StepState::Stopped);
  EXPECT_EQ(s.Flow().State(), GpuFlow::Idle);  // never left LookingUp

  gateLookup = false;
  ASSERT_TRUE(s.BeginGpuLookup());
  f.PollUntil(
      s, [&] { return s.Flow().State() == GpuFlow::OfferReady && Ended(s, StepIndex::GpuClean); });
  ASSERT_TRUE(s.BeginGpuDownload());
  f.PollUntil(
      s, [&] { return s.Flow().State() == GpuFlow::Downloaded && Ended(s, StepIndex::GpuClean); });
  ASSERT_TRUE(s.BeginGpuInstall());
  f.PollUntil(
      s, [&] { return s.Flow().State() == GpuFlow::Installed && Ended(s, StepIndex::GpuClean); });
  EXPECT_EQ(f.History(), std::vector<std::wstring>{L"GPU driver: Display driver step finished"});
}

TEST(GuiScheduler, FinishedRunsBetweenPollsAreEachCountedOnce) {
  Fixture f;
  f.host.yes = false;
  Scheduler s(f.host, f.clock, f.sink);
  s.Startup();
  ASSERT_TRUE(s.StartRepair(7, false));
  f.PollUntil(s, [&] { return Ended(s, StepIndex::Memory); });
  // Two more runs before the next poll: one repair, one plain start.
  ASSERT_TRUE(s.StartRepair(7, true));
  while (!Ended(s, StepIndex::Memory)) std::this_thread::yield();
  while (!s.StartStep(7, false)) std::this_thread::yield();
  while (!Ended(s, StepIndex::Memory)) std::this_thread::yield();
  s.Update(12);
  EXPECT_EQ(f.sink.log,
            (std::vector<std::wstring>{L"repair finished", L"automatic repair finished"}));
  EXPECT_EQ(f.sink.scans, 2);
  EXPECT_EQ(f.History().size(), 3u);
}

TEST(GuiScheduler, GuidedChainWithYesPassesOverDeselectedAndDynamicCpu) {
  Fixture f;
  f.host.yes = true;
  f.host.cpuProbe = [] {
    CpuProbeView cpu;
    cpu.cpuClass = kCpuDynamic;  // CPU Tune is passed over under --yes
    return cpu;
  };
  f.host.stepSwitches[static_cast<int>(StepIndex::Memory)] = false;
  Scheduler s(f.host, f.clock, f.sink);
  s.Startup();
  EXPECT_EQ(s.CurrentStage(), Stage::MeasureRunning);
  f.PollUntil(s, [&] { return s.CurrentStage() == Stage::Review; });
  // --yes starts at Measure; CPU Tune (dynamic clock) and the driver step are passed over.
  const char* expected = "iffiiffif";
  for (int i = 0; i < kStepCount; ++i) {
    const StepState want = expected[i] == 'f' ? StepState::Finished : StepState::Idle;
    EXPECT_EQ(s.State(i), want) << i;
  }
}

}  // namespace
}  // namespace gui
