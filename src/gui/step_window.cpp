#include "gui/step_window.h"

#include "gui/full_tune.h"
#include "gui/screens/about_screen.h"
#include "gui/screens/aggregate_screen.h"
#include "gui/screens/widgets.h"
#include "gui/step_policy.h"
#include "gui/transition.h"
#include "support/utf.h"

namespace gui {
namespace {

constexpr int kMeasureStep = static_cast<int>(StepIndex::Measure);
constexpr int kHoldStep = static_cast<int>(StepIndex::Hold);

template <typename T>
bool Ready(const std::future<T>& load) {
  return load.valid() && load.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace

StepWindow::StepWindow(GuiHost& host, RunnerClock& clock, SchedulerSink& sink)
    : scheduler_(host, clock, sink), host_(host) {}

bool StepWindow::Active() const {
  const TuneView v = scheduler_.View();
  for (StepState s : v.state) {
    if (IsBusy(s)) return true;
  }
  // A read on its way must be collected, so the window keeps polling until it lands.
  return scheduler_.FullTuneActive() || FlowInProgress(v.flow) || factsLoad_.valid() ||
         reportLoad_.valid() || aggregateLoad_.valid() || lastScanLoad_.valid();
}

bool StepWindow::CollectLoads() {
  bool arrived = false;
  if (Ready(factsLoad_)) {
    facts_ = factsLoad_.get();
    arrived = true;
  }
  if (Ready(aggregateLoad_)) {
    aggregate_ = aggregateLoad_.get();
    arrived = true;
  }
  // The report takes the aggregate Home read, not a second read of the same files: it
  // waits for that read when it is still on its way.
  if (Ready(reportLoad_) && !aggregateLoad_.valid()) {
    ReportFacts facts = reportLoad_.get();
    if (aggregate_) AddAggregate(facts, *aggregate_);
    facts.checks = health_.checks;
    facts.healthScanned = health_.scanned;
    report_ = FormatMachineReport(facts);
    arrived = true;
  }
  return arrived;
}

void StepWindow::LoadAggregate() {
  if (!host_.loadAggregate || aggregateLoad_.valid()) return;  // none, or one on its way
  aggregateLoad_ = std::async(std::launch::async, host_.loadAggregate);
}

void StepWindow::RefreshHome() {
  homeStale_ = false;
  LoadAggregate();
  if (host_.reportFacts && !factsLoad_.valid()) {
    factsLoad_ = std::async(std::launch::async, host_.reportFacts);
  }
}

std::optional<std::wstring> StepWindow::TakeReport() {
  CollectLoads();
  std::optional<std::wstring> report = std::move(report_);
  report_.reset();
  return report;
}

void StepWindow::ReportCopied(bool copied) {
  homeNotice_ = copied ? "Report copied to the clipboard. Paste it where you ask for help."
                       : "The report could not be put on the clipboard.";
}

bool StepWindow::Poll() {
  scheduler_.Update(capacity_);
  bool changed = CollectLoads() || scheduler_.CurrentStage() != drawnStage_ ||
                 scheduler_.Flow().State() != drawnFlow_;
  // A new measurement or hold changes what Home's tiles show.
  for (int step : {kMeasureStep, kHoldStep}) {
    const auto at = static_cast<std::size_t>(step);
    if (IsEnded(scheduler_.State(step)) && scheduler_.State(step) != drawnStates_[at]) {
      homeStale_ = true;
    }
  }
  for (int i = 0; i < kStepCount; ++i) {
    FeedSnapshot& f = feeds_[static_cast<std::size_t>(i)];
    scheduler_.FeedOf(i).Snapshot(f);
    if (i == kMeasureStep) charts_.Take(f);
    changed = changed || f.version != drawnVersions_[static_cast<std::size_t>(i)] ||
              !f.newSamples.empty() ||
              scheduler_.State(i) != drawnStates_[static_cast<std::size_t>(i)];
  }
  scheduler_.HeaderFeed().Snapshot(header_);
  changed = PollLastScan() || changed;
  return changed || header_.version != drawnVersions_[kStepCount];
}

bool StepWindow::PollLastScan() {
  if (Ready(lastScanLoad_)) {
    std::optional<LastScan> loaded = lastScanLoad_.get();
    if (!loaded) return false;
    lastScan_ = std::move(*loaded);
    ++lastScanVersion_;
    return true;
  }
  if (lastScanLoad_.valid()) return false;  // still reading
  // A new run file appears when a measurement ends; one written by another copy of the
  // program is found when Home is entered again.
  const Stage stage = scheduler_.CurrentStage();
  const StepState measure = scheduler_.State(kMeasureStep);
  const bool look = !lastScanLooked_ || (stage == Stage::Home && lastScanStage_ != Stage::Home) ||
                    measure != lastScanMeasure_;
  lastScanLooked_ = true;
  lastScanStage_ = stage;
  lastScanMeasure_ = measure;
  if (look && !host_.dataFolder.empty()) {
    lastScanLoad_ = std::async(std::launch::async, LoadLastScan, host_.dataFolder, lastScan_.file);
  }
  return false;
}

LatticeSource StepWindow::Lattice(int source) const {
  // The stage shown, or the one still sliding out.
  const auto onScreen = [&](Stage stage) {
    return panel_ == Panel::kNone &&
           (scheduler_.CurrentStage() == stage || (Transitioning() && transitionFrom_ == stage));
  };
  // Home shows the live picture while a measurement runs, else the last scan.
  const bool measuring = IsBusy(scheduler_.State(kMeasureStep));
  if (source == kLiveLattice) {
    return {&charts_.Snapshot(), charts_.LatticeVersion(),
            onScreen(Stage::MeasureRunning) ||
                (measuring && (onScreen(Stage::Home) || onScreen(Stage::FullTune)))};
  }
  if (source == kLastScanLattice && lastScan_.Exists()) {
    return {lastScan_.picture.get(), lastScanVersion_, !measuring && onScreen(Stage::Home)};
  }
  return {};
}

const wchar_t* StepWindow::RestartRefused() const {
  const TuneView v = scheduler_.View();
  bool busy = false;
  for (StepState s : v.state) busy = busy || IsBusy(s);
  return RestartRefusal(busy, FlowInProgress(v.flow));
}

screens::StepScreenModel StepWindow::Model(double seconds) {
  screens::StepScreenModel m;
  m.stage = scheduler_.CurrentStage();
  m.tune = scheduler_.View();
  m.feeds = &feeds_;
  m.charts = &charts_.Snapshot();
  m.result = scheduler_.Result();
  m.offer = scheduler_.Flow().Offer();
  m.cpu = scheduler_.Cpu();
  if ((m.stage == Stage::GpuConfirm) && !gpuProbed_ && host_.gpuProbe) {
    gpuSummary_ = host_.gpuProbe().summary;  // once: it reads the display adapters
    gpuProbed_ = true;
  }
  m.gpuSummary = gpuSummary_;
  m.fidelity = scheduler_.Fidelity();
  m.optionResolution = host_.resolution;
  m.optionMeasured = host_.measured;
  m.driverAfterAfterburner = scheduler_.DriverAfterAfterburner();
  m.fullTuneActive = scheduler_.FullTuneActive();
  m.restartPanel = restartPanel_;
  m.restartMessage = restartMessage_;
  m.seconds = seconds;
  m.measureCelebration = measureCelebration_;
  m.holdCelebration = holdCelebration_;
  return m;
}

void StepWindow::Draw(Canvas& canvas, float width, float height, const std::string& version,
                      float fade, double seconds, HealthFeed health,
                      const SettingsAccess& settings) {
  Poll();
  health_ = std::move(health);
  settings_ = settings;
  // A run that finishes while its screen is watched is celebrated on its result screen; a
  // new measurement clears both.
  const Stage stage = scheduler_.CurrentStage();
  if (stage != drawnStage_) {
    measureCelebration_ = CelebrationAfter(kMeasureStep, drawnStage_, stage,
                                           scheduler_.State(kMeasureStep), measureCelebration_);
    holdCelebration_ = CelebrationAfter(kHoldStep, drawnStage_, stage, scheduler_.State(kHoldStep),
                                        holdCelebration_);
  }
  measureCelebration_ =
      AdvanceCelebration(measureCelebration_, seconds - lastSeconds_, kMeasureCelebrationRate);
  holdCelebration_ =
      AdvanceCelebration(holdCelebration_, seconds - lastSeconds_, kHoldCelebrationRate);
  const screens::StepScreenModel m = Model(seconds);
  // Home's data is read as Home arrives or when a run changed it, never for a Home that is
  // sliding out.
  if (m.stage == Stage::Home && (homeStale_ || drawnStage_ != Stage::Home)) RefreshHome();
  const screens::PageHeading page = screens::PageHeadingOf(m.stage);
  FrameView frame{version,
                  fade,
                  support::ToUtf8(header_.title),
                  support::ToUtf8(header_.detail),
                  support::ToUtf8(StatusLine(m.tune)),
                  page.name,
                  page.subtitle};
  const Rect content = DrawWindowFrame(canvas, width, height, frame);
  capacity_ = CardCapacity(static_cast<int>(width), static_cast<int>(height));
  router_.BeginFrame();
  // The navigation strip: every screen has a way back, and steps keep running behind it.
  float navX = width - 16;
  for (const auto& [label, id] :
       {std::pair{"About", screens::kNavAbout}, std::pair{"Aggregate", screens::kNavAggregate},
        std::pair{"Home", screens::kNavHome}}) {
    const float w = screens::ButtonWidth(canvas, label, 90);
    navX -= w;
    screens::DrawButton(canvas, router_, {navX, 17, w, 38}, label, id);
    navX -= 8;
  }
  // A new stage slides or fades in over the old one; input waits until it has landed.
  if (m.stage != drawnStage_ && framesDrawn_ > 0) {
    transitionFrom_ = drawnStage_;
    transitionT_ = 0;
  }
  const bool samePage = PageOf(transitionFrom_) == PageOf(m.stage);
  transitionT_ = AdvanceTransition(transitionT_, seconds - lastSeconds_, samePage);
  lastSeconds_ = seconds;
  ++framesDrawn_;
  router_.SetTransition(Transitioning());
  if (panel_ != Panel::kNone) {
    DrawPanel(canvas, content);
  } else if (Transitioning()) {
    const TransitionLook look =
        LookAt(transitionT_, samePage, PageOf(m.stage) > PageOf(transitionFrom_));
    screens::StepScreenModel outgoing = m;
    outgoing.stage = transitionFrom_;
    InputRouter outgoingControls;  // the old screen is only a picture now
    outgoingControls.BeginFrame();
    canvas.PushClip(content);
    canvas.SetOffset({look.outgoingOffset, 0});
    canvas.SetOpacity(fade * look.outgoingOpacity);
    DrawScreen(canvas, content, outgoing, outgoingControls);
    canvas.SetOffset({0, 0});
    canvas.SetOpacity(fade * look.incomingOpacity);
    DrawScreen(canvas, content, m, router_);
    canvas.PopClip();
  } else {
    DrawScreen(canvas, content, m, router_);
  }
  canvas.SetOpacity(1.0f);
  for (int i = 0; i < kStepCount; ++i) {
    drawnVersions_[static_cast<std::size_t>(i)] = feeds_[static_cast<std::size_t>(i)].version;
    drawnStates_[static_cast<std::size_t>(i)] = m.tune.state[static_cast<std::size_t>(i)];
  }
  drawnVersions_[kStepCount] = header_.version;
  drawnStage_ = m.stage;
  drawnFlow_ = m.tune.flow;
}

void StepWindow::DrawScreen(Canvas& canvas, Rect content, const screens::StepScreenModel& m,
                            InputRouter& router) {
  if (m.stage == Stage::Health) {
    screens::HealthView view{health_.checks, health_.scanning, health_.scanned};
    screens::DrawHealthScreen(canvas, content, view, healthState_, router);
  } else if (m.stage == Stage::Home) {
    DrawHome(canvas, content, m, router);
  } else {
    screens::DrawStepScreen(canvas, content, m, router);
  }
}

void StepWindow::Open(Panel panel) {
  panel_ = panel;
  if (panel == Panel::kAggregate) LoadAggregate();
}

void StepWindow::DrawHome(Canvas& canvas, Rect content, const screens::StepScreenModel& m,
                          InputRouter& router) {
  screens::HomeView view;
  view.checks = health_.checks;
  view.scanning = health_.scanning;
  view.scanned = health_.scanned;
  view.maintainTiming = settings_.settings != nullptr && settings_.settings->maintainTiming;
  view.updateAvailable = updateAvailable_;
  view.updateProgress = support::ToUtf8(updateProgress_);
  view.measureRunning = IsBusy(m.tune.state[static_cast<std::size_t>(kMeasureStep)]);
  view.facts = facts_ ? &*facts_ : nullptr;
  view.aggregate = aggregate_ ? &*aggregate_ : nullptr;
  view.lastScanSaved = lastScan_.Exists();
  view.hovered = hovered_;
  view.notice = homeNotice_;
  screens::DrawHomeScreen(canvas, content, view, homeState_, router);
}

void StepWindow::DrawPanel(Canvas& canvas, Rect content) {
  screens::DrawButton(canvas, router_, {content.Right() - 110, content.y, 110, 38}, "Close",
                      screens::kPanelClose, screens::ButtonKind::kPrimary);
  const Rect body{content.x, content.y, content.width - 130, content.height};
  if (panel_ == Panel::kAbout) {
    screens::DrawAboutScreen(canvas, body, host_.version, router_);
    return;
  }
  if (panel_ == Panel::kAggregate) {
    screens::DrawAggregateScreen(canvas, body, aggregate_ ? &*aggregate_ : nullptr, aggregateState_,
                                 router_);
    return;
  }
  if (settings_.settings == nullptr) return;
  screens::SettingsExtras extras;
  extras.defaultFolders = settings_.defaultFolders;
  extras.steps = scheduler_.Selection();
  extras.folderNote = folderNote_;
  screens::DrawSettingsPanel(canvas, body, *settings_.settings, extras, router_);
}

WindowActions StepWindow::ActOnPanel(int id) {
  WindowActions actions;
  if (id == screens::kPanelClose) {
    panel_ = Panel::kNone;
    return actions;
  }
  if (panel_ == Panel::kAbout) {
    actions.openUrl = screens::AboutLinkTarget(id);
    return actions;
  }
  if (panel_ == Panel::kAggregate) {
    if (aggregate_) screens::AggregateControl(id, *aggregate_, aggregateState_);
    return actions;
  }
  if (id >= screens::kStepChoiceControl && id < screens::kStepChoiceControl + kStepCount) {
    const int step = id - screens::kStepChoiceControl;
    scheduler_.SetSelected(step, !scheduler_.Selection()[static_cast<std::size_t>(step)]);
    return actions;
  }
  if (settings_.settings == nullptr) return actions;
  for (std::size_t i = 0; i < screens::kFolderFields.size(); ++i) {
    if (id == screens::kFolderBrowseControl + static_cast<int>(i)) {
      actions.pickFolder = static_cast<int>(i);
      return actions;
    }
    if (id == screens::kFolderDefaultControl + static_cast<int>(i)) {
      (settings_.settings->*screens::kFolderFields[i].value).clear();
      SaveMonitorSettings(*settings_.settings);
      folderNote_.clear();
      actions.settingsChanged = true;
      return actions;
    }
  }
  actions.settingsChanged =
      screens::SwitchControl(id, *settings_.settings) ||
      (settings_.deadlines != nullptr &&
       screens::TimerControl(id, *settings_.settings, *settings_.deadlines, settings_.now));
  return actions;
}

WindowActions StepWindow::Act(const InputResult& input) {
  WindowActions actions;
  if (input.activated < 0) return actions;
  if (input.activated == screens::kNavAggregate || input.activated == screens::kNavAbout) {
    Open(input.activated == screens::kNavAbout ? Panel::kAbout : Panel::kAggregate);
    return actions;
  }
  if (panel_ != Panel::kNone && input.activated != screens::kNavHome) {
    return ActOnPanel(input.activated);
  }
  panel_ = Panel::kNone;
  const screens::StepScreenModel m = Model(0);
  if (m.stage == Stage::Home && input.activated != screens::kNavHome) {
    return ActOnHome(input.activated, m);
  }
  if (m.stage == Stage::Health && input.activated != screens::kNavHome) {
    screens::HealthView view{health_.checks, health_.scanning, health_.scanned};
    const screens::HealthCommand command =
        screens::HealthControl(input.activated, view, healthState_);
    if (command.action == screens::HealthAction::kScan) actions.scan = true;
    if (command.action == screens::HealthAction::kToggle) {
      const HealthCheck& check = health_.checks[static_cast<std::size_t>(command.check)];
      SetCheckDisabled(check.id, check.status != HealthStatus::Disabled);
      actions.scan = true;
    }
    if (command.action == screens::HealthAction::kRepair && command.check >= 0 &&
        static_cast<std::size_t>(command.check) < health_.checks.size()) {
      actions.repairKey = health_.checks[static_cast<std::size_t>(command.check)].repairStep;
    }
    return actions;
  }
  const screens::WindowRequest request = screens::ActOnControl(input.activated, m, scheduler_);
  restartPanel_ = request.restartPanel;
  if (!restartPanel_) restartMessage_.clear();
  if (request.health) scheduler_.ShowHealth();
  actions.openLog = request.openLog;
  actions.close = request.close;
  if (request.restart) {
    if (const wchar_t* refusal = RestartRefused()) {
      restartMessage_ = refusal;
    } else {
      actions.restart = true;
    }
  }
  return actions;
}

WindowActions StepWindow::ActOnHome(int id, const screens::StepScreenModel& m) {
  WindowActions actions;
  homeNotice_.clear();
  if (id >= screens::kHomeToolFirst && id < screens::kHomeToolFirst + screens::kHomeToolCount) {
    const screens::WindowRequest request =
        screens::ActOnHomeTool(id - screens::kHomeToolFirst, m, scheduler_);
    if (request.health) scheduler_.ShowHealth();
    actions.scan = request.scan;
    return actions;
  }
  switch (id) {
    case screens::kHomeMaintain:
      if (settings_.settings == nullptr) break;
      actions.settingsChanged =
          screens::SwitchControl(screens::kMaintainSwitch, *settings_.settings);
      break;
    case screens::kHomeInstallUpdate:
      actions.installUpdate = true;
      break;
    case screens::kHomeCopyReport:
      if (host_.reportFacts && !reportLoad_.valid()) {
        homeNotice_ = "Gathering the report...";
        reportLoad_ = std::async(std::launch::async, host_.reportFacts);
      }
      break;
    case screens::kHomeSettings:
      Open(Panel::kSettings);
      break;
    default:
      break;
  }
  return actions;
}

bool StepWindow::PointerMove(float x, float y) {
  const int hovered = router_.ControlAt(x, y);
  if (hovered == hovered_) return false;
  hovered_ = hovered;
  return true;
}

bool StepWindow::Wheel(float pixels) {
  if (panel_ != Panel::kNone) return false;
  switch (scheduler_.CurrentStage()) {
    case Stage::Home:
      homeState_.list.Wheel(pixels);
      return true;
    case Stage::Health:
      healthState_.list.Wheel(pixels);
      return true;
    default:
      return false;
  }
}

WindowActions StepWindow::PointerDown(float x, float y, double now) {
  return Act(router_.PointerDown(x, y, now));
}

WindowActions StepWindow::PointerUp(float x, float y, double now) {
  return Act(router_.PointerUp(x, y, now));
}

WindowActions StepWindow::KeyDown(Key key, bool repeat, double now) {
  return Act(router_.KeyDown(key, repeat, now));
}

}  // namespace gui
