#include "gui/step_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "gui/recording_canvas.h"
#include "platform/sim/sim_machine.h"
#include "scheduler_fakes.h"
#include "support/utf.h"

namespace gui {
namespace {

using namespace testing_fakes;

// The window as a user meets it: a frame drawn, a control found by its label, clicked.
struct Window {
  explicit Window(Fixture& f) : steps(f.host, f.clock, f.sink) {}
  // Draws until any page transition has landed, as the window does.
  void Frame() {
    do {
      canvas.Clear();
      seconds += 0.05;
      steps.Draw(canvas, 1340, 880, "2.10.1", 1.0f, seconds, health, {&settings, nullptr, 0});
    } while (steps.Transitioning());
  }
  bool Shows(std::string_view text) const { return canvas.FindText(text).has_value(); }
  bool HasLabel(std::string_view label) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == DrawKind::kText && call.text == label) return true;
    }
    return false;
  }
  WindowActions Click(std::string_view label) {
    Frame();
    const auto call = canvas.FindText(label);
    EXPECT_TRUE(call) << "no control labelled " << label;
    if (!call) return {};
    const float x = call->rect.x + 4, y = call->rect.y + call->rect.height / 2;
    now += 1;
    steps.PointerDown(x, y, now);
    return steps.PointerUp(x, y, now);
  }
  WindowActions Press(Key key, bool repeat = false) {
    Frame();
    now += 1;
    const WindowActions a = steps.KeyDown(key, repeat, now);
    steps.KeyUp(key);
    return a;
  }
  StepWindow steps;
  RecordingCanvas canvas;
  HealthFeed health;
  MonitorSettings settings;
  double now = 10;
  double seconds = 0;
};

HealthCheck Drifted(const wchar_t* title, const wchar_t* repair) {
  HealthCheck check;
  check.group = L"Power and Performance";
  check.title = title;
  check.expected = L"95";
  check.live = L"50";
  check.status = HealthStatus::NeedsAttention;
  check.repairStep = repair;
  return check;
}

TEST(GuiStepWindow, SelectionIsSavedOnEachToggleAndEnterBeginsTheTune) {
  Fixture f;
  f.host.setupComplete = [] { return false; };
  int choiceSaves = 0, selectionSaves = 0;
  f.host.saveChoices = [&](const std::array<bool, 9>&) { ++choiceSaves; };
  f.host.saveSelection = [&](const std::array<bool, 9>&) { ++selectionSaves; };
  Window w(f);
  w.steps.Start();
  w.Click("Clear");
  w.Frame();
  EXPECT_TRUE(w.Shows("Select at least one step to tune"));
  EXPECT_FALSE(w.HasLabel("Begin"));
  EXPECT_FALSE(w.Press(Key::kEnter).restart);  // nothing to begin: Enter does nothing
  EXPECT_EQ(w.steps.scheduler().CurrentStage(), Stage::Welcome);
  w.Click("Measure");
  w.Click("Hold");
  EXPECT_EQ(choiceSaves, 3);  // Clear, then each toggle
  w.Press(Key::kEnter);
  EXPECT_EQ(w.steps.scheduler().CurrentStage(), Stage::FullTune);
  EXPECT_EQ(selectionSaves, 1);
  f.PollUntil(w.steps.scheduler(),
              [&] { return w.steps.scheduler().CurrentStage() == Stage::Review; });
  EXPECT_EQ(f.installed.load(), 10000u);
  for (int i : {0, 3, 4, 5, 6, 7, 8}) EXPECT_EQ(w.steps.scheduler().State(i), StepState::Idle) << i;
}

TEST(GuiStepWindow, RestartNeedsAClickAndWaitsForBusySteps) {
  Fixture f;
  Gate memory;
  f.host.memory = [&](Feed&) { return memory.Pass(0); };
  Window w(f);
  w.steps.Start();
  w.steps.scheduler().StartStep(static_cast<int>(StepIndex::Memory), false);
  w.steps.scheduler().ShowReview();
  w.Click("Restart computer");
  w.Frame();
  ASSERT_TRUE(w.Shows("Restart now"));
  EXPECT_TRUE(w.Shows("Programs still open will be closed without saving their work."));
  // Enter goes to "Not yet", never to "Restart now".
  EXPECT_FALSE(w.Press(Key::kEnter).restart);
  w.Frame();
  EXPECT_FALSE(w.Shows("Restart now"));
  w.Click("Restart computer");
  EXPECT_FALSE(w.Click("Restart now").restart);  // Memory still runs
  w.Frame();
  EXPECT_TRUE(w.Shows("A step is still running. Restart when it has finished."));
  memory.Open();
  f.PollUntil(w.steps.scheduler(), [&] { return !w.steps.Active(); });
  EXPECT_TRUE(w.Click("Restart now").restart);
}

TEST(GuiStepWindow, HomeToolsOpenTheirScreens) {
  struct Row {
    const char* tool;
    Stage shown;
    bool scan;
  };
  const Row rows[] = {
      {"Full tune", Stage::Welcome, false},
      {"Health", Stage::Health, true},
      {"CPU power", Stage::CpuConfirm, false},
      {"GPU settings", Stage::GpuConfirm, false},
      {"Afterburner", Stage::AfterburnerConfirm, false},
      {"Memory", Stage::MemoryConfirm, false},
      {"Storage", Stage::StorageConfirm, false},
      {"Restart notes", Stage::Review, false},
      {"GPU driver", Stage::GpuClean, false},
      {"Measure timing", Stage::MeasureRunning, false},
  };
  Fixture f;
  Window w(f);
  w.steps.Start();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tool);
    w.steps.scheduler().GoHome();
    EXPECT_EQ(w.Click(row.tool).scan, row.scan);
    EXPECT_EQ(w.steps.scheduler().CurrentStage(), row.shown);
  }
  // GPU driver started the lookup from an idle flow.
  f.PollUntil(w.steps.scheduler(),
              [&] { return w.steps.scheduler().Flow().State() == GpuFlow::OfferReady; });
}

TEST(GuiStepWindow, MaintainSwitchAndHelpFollowThePointer) {
  platform::SimMachine machine;  // the switch is saved at once
  platform::ScopedSystem system(machine.system());
  Fixture f;
  Window w(f);
  w.steps.Start();
  w.health.scanned = true;
  // A result waiting for a restart needs attention on Home as in the report and the tray.
  w.health.checks = {Drifted(L"core parking min cores", L"ppm"), Drifted(L"HAGS", L"gpu")};
  w.health.checks[0].explanation = L"Cores parked at idle.";
  w.health.checks[1].status = HealthStatus::RestartRequired;
  EXPECT_TRUE(w.Click("Maintain timing: off").settingsChanged);
  EXPECT_TRUE(w.settings.maintainTiming);
  w.Frame();
  EXPECT_TRUE(w.Shows("Maintain timing: on"));
  EXPECT_TRUE(w.Shows("0 live    2 need attention    0 other"));
  const auto item = w.canvas.FindText("core parking min cores");
  ASSERT_TRUE(item);
  EXPECT_TRUE(w.steps.PointerMove(item->rect.x + 2, item->rect.y + 4));
  EXPECT_FALSE(w.steps.PointerMove(item->rect.x + 3, item->rect.y + 4));  // same row
  w.Frame();
  EXPECT_TRUE(w.Shows("Cores parked at idle.\nExpected: 95\nLive: 50\n\nStatus: Needs attention"));
}

// The report carries the rows the last frame showed, even after the window's own copy of
// the results is gone; the machine is read once for Home's tiles and once for the report.
TEST(GuiStepWindow, CopyReportFormatsTheShownHealthResults) {
  Fixture f;
  std::atomic<int> gathered = 0;
  f.host.reportFacts = [&] {
    ++gathered;
    ReportFacts facts;
    facts.windows = L"Windows 11 Pro";
    facts.service = ReportFacts::Service::kRunning;
    facts.held = 5000;
    return facts;
  };
  // Read once, by Home, and lent to the report.
  std::atomic<int> aggregateReads = 0;
  f.host.loadAggregate = [&] {
    ++aggregateReads;
    AggregateView view;
    view.runs = 2;
    view.points = {{.requested = 5000, .runs = 2, .score_w = 300, .score = 0.25}};
    return view;
  };
  Window w(f);
  w.steps.Start();
  w.health.scanned = true;
  w.health.checks = {Drifted(L"Idle demote", L"ppm")};
  w.Click("Copy report");
  w.health.checks.clear();
  std::optional<std::wstring> report;
  f.PollUntil(w.steps.scheduler(), [&] { return (report = w.steps.TakeReport()).has_value(); });
  EXPECT_NE(report->find(L"Held timer period: 0.5000 ms (score 0.2500 ms)\r\n"
                         L"Aggregate best periods (2 runs):\r\n"),
            std::wstring::npos)
      << support::ToUtf8(*report);
  EXPECT_NE(report->find(L"Health: 0 passing, 1 need attention, 0 informational, 0 other\r\n"
                         L"  [Needs attention] Power and Performance | Idle demote | expected "
                         L"95, live 50\r\n"),
            std::wstring::npos)
      << support::ToUtf8(*report);
  w.steps.ReportCopied(true);
  w.Frame();
  EXPECT_TRUE(w.Shows("Report copied to the clipboard. Paste it where you ask for help."));
  f.PollUntil(w.steps.scheduler(), [&] {
    w.steps.Poll();
    return !w.steps.Active();
  });
  EXPECT_EQ(gathered.load(), 2);
  EXPECT_EQ(aggregateReads.load(), 1);
}

// Input between frames acts on the rows the last frame drew, not on memory the window has
// since let go of.
TEST(GuiStepWindow, RepairActsOnTheRowsOfTheLastFrame) {
  Fixture f;
  Window w(f);
  w.steps.Start();
  w.steps.scheduler().Show(Stage::Health);
  {
    HealthFeed feed;
    feed.scanned = true;
    feed.checks = {Drifted(L"Idle demote", L"ppm")};
    w.canvas.Clear();
    w.steps.Draw(w.canvas, 1340, 880, "2.10.1", 1.0f, 0, std::move(feed));
  }
  const auto repair = w.canvas.FindText("Repair this");
  ASSERT_TRUE(repair);
  const float x = repair->rect.x + 4, y = repair->rect.y + repair->rect.height / 2;
  w.steps.PointerDown(x, y, 20);
  EXPECT_EQ(w.steps.PointerUp(x, y, 20).repairKey, L"ppm");
}

// A check turned off is stored as the health checks read it, and a new scan shows it so; a
// check that reads Disabled is turned back on.
TEST(GuiStepWindow, HealthRowsTurnChecksOffAndOn) {
  platform::SimMachine machine;
  platform::ScopedSystem system(machine.system());
  Fixture f;
  Window w(f);
  w.steps.Start();
  w.steps.scheduler().Show(Stage::Health);
  w.health.scanned = true;
  w.health.checks = {Drifted(L"Idle demote", L"ppm")};
  w.health.checks[0].id = L"power.idledemote";
  EXPECT_TRUE(w.Click("Turn off").scan);
  EXPECT_TRUE(IsCheckDisabled(L"power.idledemote"));
  w.health.checks[0].status = HealthStatus::Disabled;
  EXPECT_TRUE(w.Click("Turn on").scan);
  EXPECT_FALSE(IsCheckDisabled(L"power.idledemote"));
}

// While the new page slides in, both pages are drawn and a click on the new one does
// nothing; once it has landed the same click acts.
TEST(GuiStepWindow, InputWaitsForThePageTransition) {
  Fixture f;
  std::atomic<int> homeReads = 0;
  f.host.reportFacts = [&] {
    ++homeReads;
    return ReportFacts{};
  };
  Gate measure;
  f.GateMeasure(measure);
  Gate install;
  f.host.install = [&](std::uint32_t, bool, Feed&) { return install.Pass(0); };
  Window w(f);
  w.steps.Start();
  w.Click("Restart notes");
  w.canvas.Clear();
  w.seconds += 0.05;
  w.steps.Draw(w.canvas, 1340, 880, "2.10.1", 1.0f, w.seconds, w.health);
  ASSERT_TRUE(w.steps.Transitioning());
  EXPECT_TRUE(w.Shows("Tools"));  // Home, on its way out
  const auto restart = w.canvas.FindText("Restart computer");
  ASSERT_TRUE(restart);
  const float x = restart->rect.x + 4, y = restart->rect.y + restart->rect.height / 2;
  w.steps.PointerDown(x, y, 20);
  w.steps.PointerUp(x, y, 20);
  // Each frame of the slide gives a read that started the time to land.
  while (w.steps.Transitioning()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    w.canvas.Clear();
    w.seconds += 0.05;
    w.steps.Draw(w.canvas, 1340, 880, "2.10.1", 1.0f, w.seconds, w.health);
  }
  EXPECT_EQ(homeReads.load(), 1);  // as Home arrived, never while it slid out
  EXPECT_FALSE(w.Shows("Tools"));
  EXPECT_FALSE(w.Shows("Restart now"));
  w.Click("Restart computer");
  w.Frame();
  EXPECT_TRUE(w.Shows("Restart now"));

  // A watched run's celebration keeps drawing but holds no input once the page has landed.
  w.Click("Not yet");
  w.Click("Home");
  w.Click("Measure timing");
  measure.Open();
  f.PollUntil(w.steps.scheduler(),
              [&] { return w.steps.scheduler().CurrentStage() == Stage::HoldRunning; });
  w.Frame();  // Hold is watched while it runs
  install.Open();
  f.PollUntil(w.steps.scheduler(),
              [&] { return w.steps.scheduler().CurrentStage() == Stage::HoldDone; });
  w.Frame();
  ASSERT_TRUE(w.steps.Animating());
  w.Click("Continue");
  EXPECT_NE(w.steps.scheduler().CurrentStage(), Stage::HoldDone);
}

// Home's last scan is read off the window thread from the newest run file, and each
// lattice source is announced for the frames that show it.
TEST(GuiStepWindow, LatticeSourcesFollowTheScreenAndTheNewestRunFile) {
  platform::SimMachine machine;
  platform::ScopedSystem guard(machine.system());
  const std::wstring folder = L"C:\\ProgramData\\Veltrane";
  machine.files.Seed(folder + L"\\benchmark-20260101-100000.csv",
                     "sweep,5000,5000,0.5000,12,0.46" + std::string(24, ',') + "\r\n");
  Fixture f;
  f.host.dataFolder = folder;
  Window w(f);
  w.steps.Start();
  w.steps.scheduler().GoHome();
  for (int i = 0; i < 2000 && !w.steps.lastScan().Exists(); ++i) {
    w.Frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(w.steps.lastScan().Exists());
  EXPECT_EQ(w.steps.lastScan().picture->totals.sampleCount, 12u);
  EXPECT_TRUE(w.steps.Lattice(kLastScanLattice).shown);
  EXPECT_FALSE(w.steps.Lattice(kLiveLattice).shown);
  w.Frame();
  int lastScanDrawn = 0;
  for (const DrawCall& call : w.canvas.calls())
    lastScanDrawn += call.kind == DrawKind::kLattice && call.id == kLastScanLattice ? 1 : 0;
  EXPECT_EQ(lastScanDrawn, 1);  // Home's tile

  w.Click("Measure timing");
  ASSERT_EQ(w.steps.scheduler().CurrentStage(), Stage::MeasureRunning);
  EXPECT_TRUE(w.steps.Lattice(kLiveLattice).shown);
  EXPECT_FALSE(w.steps.Lattice(kLastScanLattice).shown);
}

// A full tune's Measure card draws the measurement's panels and the live lattice, as the
// Measure screen does; the other running steps keep their cards.
TEST(GuiStepWindow, FullTuneMeasureCardShowsTheMeasurePanels) {
  Fixture f;
  f.host.loadSelection = [] {  // Measure and Memory: two cards side by side
    return std::array<bool, 9>{false, true, false, false, false, false, false, true, false};
  };
  Gate measure;
  f.GateMeasure(measure);
  Window w(f);
  w.steps.Start();
  ASSERT_TRUE(w.steps.scheduler().Begin());
  f.PollUntil(w.steps.scheduler(), [&] { return measure.Entered(); });
  w.Frame();
  ASSERT_EQ(w.steps.scheduler().CurrentStage(), Stage::FullTune);
  for (const char* panel : {"LIVE", "HISTOGRAM", "SWEEP", "VERIFICATION", "LATTICE", "CANDIDATE"})
    EXPECT_TRUE(w.Shows(panel)) << panel;
  int live = 0;
  for (const DrawCall& call : w.canvas.calls())
    live += call.kind == DrawKind::kLattice && call.id == kLiveLattice ? 1 : 0;
  EXPECT_EQ(live, 1);
  EXPECT_TRUE(w.steps.Lattice(kLiveLattice).shown);
  measure.Open();
  f.PollUntil(w.steps.scheduler(), [&] { return !w.steps.Active(); });
}

}  // namespace
}  // namespace gui
