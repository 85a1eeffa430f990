#include "gui/scheduler.h"

#include <algorithm>
#include <cwchar>

#include "gui/guided_sequence.h"

namespace gui {
namespace {

constexpr int kPrepare = static_cast<int>(StepIndex::Prepare);
constexpr int kMeasure = static_cast<int>(StepIndex::Measure);
constexpr int kHold = static_cast<int>(StepIndex::Hold);
constexpr int kCpu = static_cast<int>(StepIndex::Cpu);
constexpr int kGpuClean = static_cast<int>(StepIndex::GpuClean);
constexpr int kGpu = static_cast<int>(StepIndex::Gpu);
constexpr int kAfterburner = static_cast<int>(StepIndex::Afterburner);
constexpr int kMemory = static_cast<int>(StepIndex::Memory);
constexpr int kStorage = static_cast<int>(StepIndex::Storage);

struct Texts {
  const wchar_t *title, *detail;
};

// The six steps that are one host callback between a lock and a result.
struct TweakWork {
  int step;
  std::function<int(Feed&)> GuiHost::*callback;
  const wchar_t* waitReason;
  Texts working, success, failure;
};

const TweakWork* TweakFor(int step) {
  static const TweakWork kTweaks[] = {
      {kPrepare,
       &GuiHost::prepare,
       L"a driver install is using the disk",
       {L"PREPARE", L"creating a System Restore point"},
       {L"PREPARE", L"restore point created"},
       {L"PREPARE FAILED", L"see the log for details"}},
      {kCpu,
       &GuiHost::ppm,
       L"storage settings are writing the power plan",
       {L"CPU TUNE", L"writing power-plan settings"},
       {L"PPM APPLIED", L"every processor power setting written"},
       {L"PPM FAILED", L"see the log for details"}},
      {kGpu,
       &GuiHost::gpu,
       L"the driver install or Afterburner is using the graphics driver",
       {L"GPU CONFIG", L"writing driver / Windows graphics settings"},
       {L"GPU CONFIG", L"HAGS, overlays, NVIDIA/AMD profile"},
       {L"GPU CONFIG", L"see the log for details"}},
      {kAfterburner,
       &GuiHost::afterburner,
       L"the driver install or GPU settings are using the graphics driver",
       {L"AFTERBURNER", L"installing Afterburner and RivaTuner"},
       {L"AFTERBURNER", L"overclock applies at every logon"},
       {L"AFTERBURNER", L"see the log for details"}},
      {kMemory,
       &GuiHost::memory,
       L"a restore point or driver install is using the disk",
       {L"MEMORY", L"pagefile and memory compression"},
       {L"MEMORY", L"pagefile and compression updated"},
       {L"MEMORY FAILED", L"see the log for details"}},
      {kStorage,
       &GuiHost::storage,
       L"CPU power settings are writing the power plan",
       {L"STORAGE", L"SSD, PCIe, USB, TRIM"},
       {L"STORAGE", L"storage settings written"},
       {L"STORAGE FAILED", L"see the log for details"}},
  };
  for (const TweakWork& w : kTweaks) {
    if (w.step == step) return &w;
  }
  return nullptr;
}

std::wstring Millis(const wchar_t* format, std::uint32_t a, std::uint32_t b = 0) {
  wchar_t text[160];
  std::swprintf(text, 160, format, a / 10000.0, b / 10000.0);
  return text;
}

}  // namespace

Scheduler::Scheduler(GuiHost& host, RunnerClock& clock, SchedulerSink& sink)
    : host_(host), sink_(sink), runner_(clock), fidelity_(host.fidelity) {}

Scheduler::~Scheduler() {
  if (!exited_) Exit(false);
}

// ---- Screens and selection ----

void Scheduler::SetHeader(const std::wstring& title, const std::wstring& detail) {
  header_.ShowStatus(title, detail);
}

void Scheduler::LoadSelection() {
  if (host_.setupComplete && host_.setupComplete() && host_.loadSelection) {
    selection_ = host_.loadSelection();
  }
  // A --no-* switch on the command line wins over what was saved.
  for (std::size_t i = 0; i < selection_.size(); ++i) {
    selection_[i] = selection_[i] && host_.stepSwitches[i];
  }
}

void Scheduler::Startup() {
  if (host_.system) header_.ShowSystem(host_.system());
  if (host_.cpuProbe) {
    const CpuProbeView cpu = host_.cpuProbe();
    std::lock_guard lock(resultMu_);
    cpu_ = cpu;
  }
  LoadSelection();
  yesChain_ = host_.yes;
  if (host_.yes && host_.resolution != 0) {
    {
      std::lock_guard lock(resultMu_);
      result_.selected = host_.resolution;
      result_.bestMeasured = host_.resolution;
    }
    StartInstall(true, 0);
  } else if (host_.yes) {
    StartBenchmark(true);
  } else if (host_.setupComplete && host_.setupComplete()) {
    SetHeader(L"HOME", L"choose a function");
    Show(Stage::Home);
  } else {
    SetHeader(L"WELCOME", L"thank you for using Veltrane");
    Show(Stage::Welcome);
  }
}

void Scheduler::SetSelected(int step, bool selected) {
  if (step < 0 || step >= kStepCount) return;
  selection_[static_cast<std::size_t>(step)] = selected;
  if (host_.saveChoices) host_.saveChoices(selection_);
}

void Scheduler::SelectAll(bool selected) {
  selection_.fill(selected);
  if (host_.saveChoices) host_.saveChoices(selection_);
}

void Scheduler::GoHome() {
  LoadSelection();
  SetHeader(L"HOME", L"choose a function");
  sink_.RequestHealthScan();
  Show(Stage::Home);
}

void Scheduler::ShowHealth() {
  SetHeader(L"HEALTH", L"read-only check of applied settings");
  Show(Stage::Health);
}

void Scheduler::ShowReview() {
  SetHeader(L"REVIEW", L"set BIOS, then restart");
  Show(Stage::Review);
}

TuneView Scheduler::View() const {
  TuneView v;
  for (int i = 0; i < kStepCount; ++i) v.state[static_cast<std::size_t>(i)] = runner_.State(i);
  v.selected = selection_;
  v.flow = flow_.State();
  v.prepareSettled = prepareSettled_;
  v.gpuCleanSettled = gpuCleanSettled_;
  v.afterburnerSettled = afterburnerSettled_;
  v.afterburnerOffered = afterburnerOffered_;
  v.resolutionKnown = host_.resolution != 0 || ResolvedHoldValue() != 0;
  return v;
}

ResultView Scheduler::Result() const {
  std::lock_guard lock(resultMu_);
  return result_;
}

CpuProbeView Scheduler::Cpu() const {
  std::lock_guard lock(resultMu_);
  return cpu_;
}

// ---- Starting steps ----

bool Scheduler::HasWork(int step) const {
  switch (step) {
    case kMeasure:
      return static_cast<bool>(host_.measure);
    case kHold:
      return static_cast<bool>(host_.install);
    case kGpuClean:
      return static_cast<bool>(host_.driverLookup);
    default:
      return static_cast<bool>(host_.*(TweakFor(step)->callback));
  }
}

bool Scheduler::Launch(int step, bool show, Work work) {
  if (IsBusy(runner_.State(step))) return false;
  // Every step screen shows the machine as it is when the step starts.
  SystemView system;
  const bool fresh = static_cast<bool>(host_.system);
  if (fresh) system = host_.system();
  const bool started = runner_.Start(step, [fresh, system, w = std::move(work)](SharedState& feed) {
    if (fresh) feed.ShowSystem(system);
    return w(feed);
  });
  if (!started) return false;
  const int running = RunningStage(step);
  if (show && running >= 0) {
    SetHeader(Step(step).banner, Step(step).subtitle);
    Show(static_cast<Stage>(running));
  }
  return true;
}

bool Scheduler::StartTweak(int step, bool show) {
  if (TweakFor(step) == nullptr) return false;
  return Launch(step, show, [this, step](SharedState& feed) { return TweakWorker(step, feed); });
}

bool Scheduler::StartStep(int step, bool show) {
  switch (step) {
    case kMeasure:
      return StartBenchmark(show);
    case kHold:
      return StartInstall(show, 0);
    case kGpuClean: {
      const bool started = BeginGpuLookup();
      if (started && show) Show(Stage::GpuClean);
      return started;
    }
    default:
      return StartTweak(step, show);
  }
}

bool Scheduler::StartBenchmark(bool show) {
  if (IsBusy(runner_.State(kMeasure))) return false;
  return Launch(kMeasure, show, [this](SharedState& feed) { return MeasureWorker(feed); });
}

bool Scheduler::StartInstall(bool show, std::uint32_t resolution) {
  return Launch(kHold, show,
                [this, resolution](SharedState& feed) { return HoldWorker(resolution, feed); });
}

bool Scheduler::StartRepair(int step, bool automatic, std::uint32_t resolution) {
  const bool started = step == kHold ? StartInstall(false, resolution) : StartStep(step, false);
  if (!started) return false;
  (automatic ? autoRepairs_ : manualRepairs_).push_back({step, runner_.Runs(step)});
  return true;
}

void Scheduler::Stop(int step) {
  runner_.Stop(step);
  if (step == kGpuClean) gpuCancel_ = true;
}

// ---- Workers ----

void Scheduler::AppendHistory(int step, std::uint32_t held) {
  const HistoryLine line = HistoryLineFor(step, held);
  if (!line.area.empty() && host_.appendHistory) host_.appendHistory(line.area, line.message);
}

int Scheduler::TweakWorker(int step, SharedState& feed) {
  const TweakWork& w = *TweakFor(step);
  if (!runner_.Acquire(step, Step(step).resources, w.waitReason)) return 1;
  feed.ShowStatus(w.working.title, w.working.detail);
  const auto& callback = host_.*w.callback;
  const bool ok = callback && callback(feed) == 0;
  if (!ok) {
    feed.ShowStatus(w.failure.title, w.failure.detail);
    return 1;
  }
  feed.ShowStatus(w.success.title, w.success.detail);
  if (step == kAfterburner) afterburnerFinished_ = true;
  if (step == kGpu) gpuConfigFinished_ = true;
  AppendHistory(step, 0);
  return 0;
}

void Scheduler::SettleMeasure(bool serviceStopped) {
  bool restartNow = false;
  {
    std::lock_guard lock(debtMu_);
    restartNow = debt_.MeasureEnded(serviceStopped, IsBusy(runner_.State(kHold)));
  }
  if (restartNow && host_.restartService) host_.restartService();
}

void Scheduler::SettleHold(int installReturn) {
  bool restartNow = false;
  {
    std::lock_guard lock(debtMu_);
    restartNow = debt_.HoldEnded(installReturn);
  }
  if (restartNow && host_.restartService) host_.restartService();
}

int Scheduler::MeasureWorker(SharedState& feed) {
  if (!runner_.Acquire(kMeasure, kClock, L"the timer service install is using the clock")) {
    return 1;
  }
  {
    std::lock_guard lock(resultMu_);
    result_ = {};
  }
  bool serviceStopped = false;
  ResultView view;
  try {
    if (host_.measure) view = host_.measure(feed, fidelity_.load(), serviceStopped);
  } catch (...) {
    SettleMeasure(serviceStopped);  // the service it stopped must not stay down
    throw;
  }
  view.serviceStopped = view.serviceStopped || serviceStopped;
  {
    std::lock_guard lock(resultMu_);
    result_ = view;
  }
  SettleMeasure(view.serviceStopped);
  if (runner_.StopRequested(kMeasure)) return 1;  // Stopped, whatever the run produced
  if (view.selected == 0) {
    feed.ShowStatus(L"FAILED", view.error.empty()
                                   ? std::wstring(L"the measurement did not produce a resolution")
                                   : view.error);
    return 1;
  }
  FeedSnapshot progress;
  feed.Snapshot(progress);
  feed.SetProgress(1.0, progress.elapsed, 0);
  const std::uint32_t hold = view.holdValue != 0 ? view.holdValue : view.selected;
  feed.ShowStatus(L"RESULT",
                  hold == view.selected
                      ? Millis(L"%.4f ms selected after verification", hold)
                      : Millis(L"%.4f ms lowest aggregate score; this run verified %.4f ms", hold,
                               view.selected));
  return 0;
}

std::uint32_t Scheduler::ResolvedHoldValue() const {
  std::lock_guard lock(resultMu_);
  if (result_.holdValue != 0) return result_.holdValue;
  return result_.selected != 0 ? result_.selected : host_.resolution;
}

int Scheduler::HoldWorker(std::uint32_t passed, SharedState& feed) {
  int installReturn = -1;  // -1: ended before the install was called
  try {
    std::uint32_t value = passed;
    if (passed == 0) {
      const bool waited = runner_.WaitFor(
          kHold, [this] { return !IsBusy(runner_.State(kMeasure)); }, L"INSTALLING",
          L"waiting for the timer measurement to finish");
      if (!waited) {
        SettleHold(installReturn);
        return 1;
      }
    }
    if (!runner_.Acquire(kHold, kClock, L"the timer measurement is using the clock")) {
      SettleHold(installReturn);
      return 1;
    }
    if (passed == 0) value = ResolvedHoldValue();  // a measurement may have ended meanwhile
    HoldInputs in{value, passed != 0, host_.resolution, host_.measured};
    in.pinnedFlag = passed != 0 && host_.resolutionPinned && host_.resolutionPinned();
    in.aggregate = host_.lowestAggregate ? host_.lowestAggregate() : 0;
    const HoldChoice choice = value == 0 ? HoldChoice{} : ChooseHoldValue(in);
    if (choice.value == 0) {
      feed.ShowStatus(L"INSTALL FAILED", L"measure a timer resolution first");
      SettleHold(1);
      return 1;
    }
    feed.ShowStatus(L"INSTALLING",
                    L"copying the executable, writing the registry, starting the service");
    installReturn = 1;
    installReturn = host_.install ? host_.install(choice.value, choice.pinned, feed) : 1;
    SettleHold(installReturn);
    if (installReturn == 2) {
      // Another copy holds the work now: this window closes, and nothing here succeeded.
      runner_.NoteEnd(kHold, 0, true);
      sink_.PostClose();
      return 0;
    }
    if (host_.system) feed.ShowSystem(host_.system());
    if (installReturn != 0) {
      feed.ShowStatus(L"INSTALL FAILED", L"see the log for details");
      return 1;
    }
    feed.ShowStatus(L"INSTALLED",
                    Millis(L"the service holds %.4f ms now and at every boot", choice.value));
    if (host_.cpuProbe) {
      const CpuProbeView cpu = host_.cpuProbe();
      std::lock_guard lock(resultMu_);
      cpu_ = cpu;
    }
    runner_.NoteEnd(kHold, choice.value, false);
    AppendHistory(kHold, choice.value);
    return 0;
  } catch (...) {
    if (installReturn != 2) SettleHold(installReturn == -1 ? -1 : 1);
    throw;
  }
}

bool Scheduler::BeginGpuLookup() {
  if (IsBusy(runner_.State(kGpuClean))) return false;
  return flow_.Enter(DriverFlow::Phase::Lookup, [this] {
    gpuCancel_ = false;
    return Launch(kGpuClean, false, [this](SharedState& feed) { return LookupWorker(feed); });
  });
}

bool Scheduler::BeginGpuDownload() {
  if (IsBusy(runner_.State(kGpuClean))) return false;
  return flow_.Enter(DriverFlow::Phase::Download, [this] {
    return Launch(kGpuClean, false, [this](SharedState& feed) { return DownloadWorker(feed); });
  });
}

bool Scheduler::BeginGpuInstall() {
  if (IsBusy(runner_.State(kGpuClean))) return false;
  return flow_.Enter(DriverFlow::Phase::Install, [this] {
    return Launch(kGpuClean, false, [this](SharedState& feed) { return InstallWorker(feed); });
  });
}

bool Scheduler::RetryGpuClean() {
  if (flow_.State() != GpuFlow::Failed) return false;
  if (flow_.CanEnter(DriverFlow::Phase::Install)) return BeginGpuInstall();
  if (flow_.CanEnter(DriverFlow::Phase::Download)) return BeginGpuDownload();
  return BeginGpuLookup();
}

bool Scheduler::SkipGpuClean() {
  if (flow_.State() == GpuFlow::Installing) return false;  // an installer is never cut off
  gpuCancel_ = true;
  runner_.Stop(kGpuClean);
  flow_.Reset();
  gpuCleanSettled_ = true;
  if (!fullTuneActive_) gpuChainPending_ = true;
  return true;
}

void Scheduler::ContinueAfterDriver() {
  if (!fullTuneActive_) gpuChainPending_ = true;
  Show(selection_[kGpu] ? Stage::GpuRunning : Stage::Home);
}

int Scheduler::LookupWorker(SharedState& feed) {
  feed.ShowStatus(L"GPU CLEAN", L"looking up the current driver");
  if (!host_.driverLookup) {
    flow_.Fail(GpuFlow::LookingUp, false, L"The driver lookup is not part of this build.");
    return 1;
  }
  GpuDriverOffer offer;
  try {
    offer = host_.driverLookup(feed, &gpuCancel_);
  } catch (...) {
    flow_.Fail(GpuFlow::LookingUp, false, L"The driver lookup failed.");
    throw;
  }
  if (gpuCancel_ || runner_.StopRequested(kGpuClean)) {
    flow_.End(GpuFlow::LookingUp, GpuFlow::Idle);
    return 1;
  }
  if (offer.found) {
    flow_.End(GpuFlow::LookingUp, GpuFlow::OfferReady, &offer);
    feed.ShowStatus(L"GPU CLEAN",
                    offer.description.empty() ? L"driver package found" : offer.description);
  } else {
    flow_.End(GpuFlow::LookingUp, GpuFlow::NoPackage, &offer);
    feed.ShowStatus(L"GPU CLEAN", L"manual driver install");
  }
  return 0;
}

int Scheduler::DownloadWorker(SharedState& feed) {
  feed.ShowStatus(L"GPU CLEAN", L"downloading the driver package");
  GpuDriverOffer offer = flow_.Offer();
  int rc = 1;
  try {
    if (host_.driverDownload) rc = host_.driverDownload(feed, offer, &gpuCancel_);
  } catch (...) {
    flow_.Fail(GpuFlow::Downloading, false, L"The download failed.");
    throw;
  }
  if (rc != 0 && (gpuCancel_ || runner_.StopRequested(kGpuClean))) {
    flow_.End(GpuFlow::Downloading, GpuFlow::OfferReady);  // the offer stands; nothing kept
    return 1;
  }
  if (rc == 0) {
    flow_.End(GpuFlow::Downloading, GpuFlow::Downloaded, &offer);
    feed.ShowStatus(L"GPU CLEAN", L"package ready to install");
    return 0;
  }
  flow_.Fail(GpuFlow::Downloading, false,
             offer.message.empty() ? std::wstring(L"The download failed.") : offer.message);
  feed.ShowStatus(L"GPU CLEAN", L"download failed");
  return 1;
}

int Scheduler::InstallWorker(SharedState& feed) {
  // Both locks at once or neither: the disk is never held while the driver lock is awaited.
  const auto reason = [](Resource blocked) {
    return std::wstring(blocked == kDisk
                            ? L"a restore point is using the disk"
                            : L"GPU settings or Afterburner are using the graphics driver");
  };
  if (!runner_.Acquire(kGpuClean, kDisk | kGraphicsDriver, reason)) {
    flow_.End(GpuFlow::Installing, GpuFlow::Downloaded);  // nothing ran: ask again
    return 1;
  }
  if (afterburnerFinished_) {
    driverAfterAfterburner_ = true;
    feed.AddLine(
        L"A graphics driver install started after the Afterburner scan. Run Afterburner again "
        L"if the curve is gone.");
  }
  feed.ShowStatus(L"GPU CLEAN", L"installing the trimmed driver");
  GpuDriverOffer offer = flow_.Offer();
  int rc = 1;
  try {
    if (host_.driverInstall) rc = host_.driverInstall(feed, offer);
  } catch (...) {
    flow_.Fail(GpuFlow::Installing, true, L"The driver did not install.");
    throw;
  }
  if (rc != 0) {
    flow_.Fail(
        GpuFlow::Installing, true,
        offer.message.empty() ? std::wstring(L"The driver did not install.") : offer.message);
    feed.ShowStatus(L"GPU CLEAN", L"driver install failed");
    return 1;
  }
  flow_.End(GpuFlow::Installing, GpuFlow::Installed, &offer);
  feed.ShowStatus(L"GPU CLEAN", L"trimmed driver installed");
  if (gpuConfigFinished_ && !fullTuneActive_) gpuConfigAfterDriver_ = true;
  AppendHistory(kGpuClean, 0);
  return 0;
}

// ---- The full tune ----

bool Scheduler::Begin() {
  if (std::none_of(selection_.begin(), selection_.end(), [](bool b) { return b; })) return false;
  if (host_.saveSelection) host_.saveSelection(selection_);
  yesChain_ = false;
  gpuChainPending_ = false;
  gpuConfigAfterDriver_ = false;  // the tick orders GPU Config after the restore point
  fullTuneActive_ = true;
  afterburnerSettled_ = false;
  afterburnerOffered_ = false;
  for (int i = 0; i < kStepCount; ++i) runner_.ResetEnded(i);
  if (!IsBusy(runner_.State(kGpuClean))) flow_.Reset();
  gpuCleanSettled_ = !selection_[kGpuClean];
  prepareSettled_ = false;
  gpuCancel_ = false;
  SetHeader(L"FULL TUNE", L"selected steps, together");
  Show(Stage::FullTune);
  return true;
}

bool Scheduler::StartOfferedAfterburner() {
  if (!StartTweak(kAfterburner, false)) return false;
  afterburnerOffered_ = false;
  return true;
}

void Scheduler::DeclineAfterburner() {
  afterburnerOffered_ = false;
  afterburnerSettled_ = true;
}

void Scheduler::TickFullTune(int capacity) {
  for (;;) {
    const TuneView v = View();
    if (ActiveCount(v) >= capacity) break;
    const TickAction action = NextFullTuneStart(v);
    bool started = false;
    if (action.gpuLookup) {
      started = BeginGpuLookup();
    } else if (action.start >= 0) {
      started = StartStep(action.start, false);
    }
    if (!started) break;
  }
  const TuneView v = View();
  if (ShouldOfferAfterburner(v, ActiveCount(v), capacity)) afterburnerOffered_ = true;
  if (FullTuneDone(View())) {
    fullTuneActive_ = false;
    afterburnerOffered_ = false;
    if (CurrentStage() == Stage::FullTune) ShowReview();
  }
}

// ---- The poll ----

void Scheduler::Update(int capacity) {
  for (const EndRecord& end : runner_.DrainEnds()) OnEnd(end);
  if (gpuConfigAfterDriver_ && !IsBusy(runner_.State(kGpu))) {
    gpuConfigAfterDriver_ = false;
    if (selection_[kGpu]) StartTweak(kGpu, false);
  }
  // The chain waits while the flow works or the offer waits for the user (LookingUp to
  // Installing); once it has ended either way, GPU Config and Afterburner go ahead.
  const auto flow = static_cast<std::uint32_t>(flow_.State());
  if (gpuChainPending_ && !IsBusy(runner_.State(kGpuClean)) && (flow < 1 || flow > 5)) {
    gpuChainPending_ = false;
    if (selection_[kGpu]) StartTweak(kGpu, false);
    if (selection_[kAfterburner]) StartTweak(kAfterburner, false);
  }
  if (ShouldAutoHold(View(), fullTuneActive_)) {
    const Stage shown = CurrentStage();
    StartInstall(false, 0);
    if (shown == Stage::MeasureRunning || shown == Stage::MeasureDone ||
        shown == Stage::HoldRunning) {
      Show(Stage::HoldRunning);
    }
  }
  if (fullTuneActive_) TickFullTune(capacity);
}

void Scheduler::OnEnd(const EndRecord& end) {
  // Only the slot's latest run moves the screen: an older one ended before a restart.
  const Stage shown = CurrentStage();
  if (!end.handedOff && end.run == runner_.Runs(end.slot) &&
      RunningStage(end.slot) == static_cast<int>(shown)) {
    Show(CompletionStage(shown, end.state));
  }
  if (end.slot == kGpuClean && end.state == StepState::Stopped) gpuCleanSettled_ = true;

  const auto matches = [&end](const RunRef& r) { return r.slot == end.slot && r.run == end.run; };
  const bool ok = end.state == StepState::Finished;
  if (std::erase_if(manualRepairs_, matches) > 0) {
    sink_.HealthLog(ok ? L"repair finished" : L"repair failed");
    sink_.RequestHealthScan();
  }
  if (std::erase_if(autoRepairs_, matches) > 0) {
    sink_.HealthLog(ok ? L"automatic repair finished" : L"automatic repair failed");
    if (autoRepairs_.empty()) sink_.RequestHealthScan();
  }
  if (yesChain_ && ok && !end.handedOff) ChainAfter(end.slot);
}

void Scheduler::ChainAfter(int step) {
  switch (step) {
    case kMeasure: {
      const StepState hold = runner_.State(kHold);
      if (!selection_[kHold]) {
        EnterStep(kCpu);
      } else if (!IsBusy(hold) && hold != StepState::Finished) {
        StartInstall(true, 0);
      }
      return;
    }
    case kCpu:
      EnterStep(kGpu);  // the chain passes over the driver step
      return;
    case kGpuClean:
      return;
    case kStorage:
      ShowReview();
      return;
    default:
      EnterStep(step + 1);
      return;
  }
}

void Scheduler::ShowStep(int step) {
  const int running = RunningStage(step);
  if (running <= 0) return;
  if (IsBusy(runner_.State(step))) {
    Show(static_cast<Stage>(running));
    return;
  }
  // Each confirm screen comes right before its running screen in stage order.
  const auto confirm = static_cast<Stage>(running - 1);
  const std::wstring gpuSummary =
      step == kGpu && host_.gpuProbe ? host_.gpuProbe().summary : std::wstring();
  const Header header = ConfirmHeader(confirm, Cpu().cpuClass, gpuSummary);
  SetHeader(header.title, header.detail);
  Show(confirm);
}

void Scheduler::EnterStep(int from) {
  GuidedContext context;
  context.selected = selection_;
  for (int i = 0; i < kStepCount; ++i) context.hasWork[static_cast<std::size_t>(i)] = HasWork(i);
  context.yes = host_.yes;
  const CpuProbeView cpu = Cpu();
  context.cpuRuns = host_.forcePpm || cpu.cpuClass == kCpuLocked;
  const GuidedEntry next = GuidedNext(from, context);
  if (next.step < 0) {
    ShowReview();
    return;
  }
  if (next.step == kHold) {
    std::lock_guard lock(resultMu_);
    if (result_.selected == 0 && result_.holdValue == 0) result_.selected = host_.resolution;
  }
  if (!next.start || next.stage == Stage::GpuClean) {
    const std::wstring gpuSummary =
        next.step == kGpu && host_.gpuProbe ? host_.gpuProbe().summary : std::wstring();
    const Header header = ConfirmHeader(next.stage, cpu.cpuClass, gpuSummary);
    SetHeader(header.title, header.detail);
  }
  if (next.start) {
    StartStep(next.step, true);
  } else {
    Show(next.stage);
  }
}

void Scheduler::Exit(bool updateApplying) {
  exited_ = true;
  gpuCancel_ = true;
  runner_.Shutdown();
  bool restart = false;
  {
    std::lock_guard lock(debtMu_);
    restart = debt_.AtExit(updateApplying);
  }
  if (restart && host_.restartService) host_.restartService();
}

}  // namespace gui
