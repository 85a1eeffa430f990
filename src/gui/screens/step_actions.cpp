// What the step screens' controls do: each id becomes scheduler operations, screen moves
// and requests the window carries out itself (the log, closing, the restart).
#include "gui/scheduler.h"
#include "gui/screens/home_screen.h"
#include "gui/screens/step_screens.h"
#include "gui/step_policy.h"

namespace gui::screens {
namespace {

constexpr int kCpu = static_cast<int>(StepIndex::Cpu);
constexpr int kGpuClean = static_cast<int>(StepIndex::GpuClean);
constexpr int kAfterburner = static_cast<int>(StepIndex::Afterburner);

// The driver flow's primary button: the next phase, or the failed one again.
void DriverPrimary(const StepScreenModel& m, Scheduler& s) {
  switch (m.tune.flow) {
    case GpuFlow::OfferReady:
      if (!s.BeginGpuDownload()) s.BeginGpuLookup();
      return;
    case GpuFlow::Downloaded:
      s.BeginGpuInstall();
      return;
    case GpuFlow::Installed:
      s.ContinueAfterDriver();
      return;
    case GpuFlow::Failed:
      s.RetryGpuClean();
      return;
    default:
      return;
  }
}

// Primary and Skip on a step stage; `step` is the stage's step.
void StageButton(int id, const StepScreenModel& m, Scheduler& s, int step, WindowRequest& out) {
  const Stage stage = m.stage;
  if (stage == Stage::GpuClean) {
    if (id == kPrimary) return DriverPrimary(m, s);
    if (id == kDriverCheckAgain) {
      s.BeginGpuLookup();
      return;
    }
    if (id == kSkip) {
      s.SkipGpuClean();  // refused while the driver installs: then only Home
      s.GoHome();
    }
    return;
  }
  if (id == kStop) return s.Stop(step);
  if (id == kOpenLog) {
    out.openLog = true;
    return;
  }
  if (id == kCloseWindow) {
    out.close = true;
    return;
  }
  switch (stage) {
    case Stage::MeasureFailed:
    case Stage::MeasureStopped:
      if (id == kPrimary) s.StartBenchmark(true);
      return;
    case Stage::MeasureDone:
      if (id == kPrimary) s.GoHome();
      return;
    case Stage::HoldDone:
      if (id == kPrimary) s.EnterStep(kCpu);
      return;
    case Stage::HoldFailed:
      if (id == kPrimary) s.StartInstall(true, 0);
      return;
    case Stage::CpuConfirm:
      if (id == kPrimary) s.StartStep(step, true);
      if (id == kSkip) s.GoHome();
      return;
    default:
      break;
  }
  const bool confirm = stage == Stage::PrepareConfirm || stage == Stage::GpuConfirm ||
                       stage == Stage::AfterburnerConfirm || stage == Stage::MemoryConfirm ||
                       stage == Stage::StorageConfirm;
  const bool failure =
      CompletionStage(static_cast<Stage>(RunningStage(step)), StepState::Failed) == stage;
  if (id == kPrimary && (confirm || failure)) {
    s.StartStep(step, true);  // start, or Retry
  } else if (id == kPrimary) {
    s.EnterStep(step + 1);  // Continue after a finished step
  } else if (id == kSkip) {
    if (step == kAfterburner) s.DeclineAfterburner();
    s.EnterStep(step + 1);
  }
}

}  // namespace

WindowRequest ActOnControl(int id, const StepScreenModel& m, Scheduler& s) {
  WindowRequest out;
  out.restartPanel = m.restartPanel;
  if (id >= kCheckFirst && id < kCheckFirst + kStepCount) {
    const int step = id - kCheckFirst;
    s.SetSelected(step, !m.tune.selected[static_cast<std::size_t>(step)]);
    return out;
  }
  if (id >= kFidelityFirst && id < kFidelityFirst + 3) {
    s.SetFidelity(id - kFidelityFirst);
    return out;
  }
  if (id >= kCardStopFirst && id < kCardStopFirst + kStepCount) {
    s.Stop(id - kCardStopFirst);
    return out;
  }
  switch (id) {
    case kBegin:
      s.Begin();
      return out;
    case kSelectAll:
    case kClearSelection:
      s.SelectAll(id == kSelectAll);
      return out;
    case kOpenHealth:
      out.health = true;
      return out;
    case kRestart:
      out.restartPanel = true;
      return out;
    case kRestartNotYet:
      out.restartPanel = false;
      return out;
    case kRestartNow:
      out.restart = true;  // the window checks for busy steps before it restarts
      return out;
    case kPrepareRetry:
      s.StartStep(static_cast<int>(StepIndex::Prepare), false);
      return out;
    case kPrepareContinue:
      s.ContinuePrepareAnyway();
      return out;
    case kAfterburnerStart:
      s.StartOfferedAfterburner();
      return out;
    case kAfterburnerDecline:
      s.DeclineAfterburner();
      return out;
    case kNavHome:
      s.GoHome();
      return out;
    default:
      break;
  }
  if (m.stage == Stage::FullTune) {
    // The driver card of the full tune acts on the flow without leaving the cards.
    if (id == kPrimary) DriverPrimary(m, s);
    if (id == kDriverCheckAgain) s.BeginGpuLookup();
    if (id == kSkip) s.SkipGpuClean();
    return out;
  }
  const int step = StepOfStage(m.stage);
  if (step >= 0) StageButton(id, m, s, step, out);
  return out;
}

WindowRequest ActOnHomeTool(int tool, const StepScreenModel& m, Scheduler& s) {
  WindowRequest out;
  if (tool < 0 || tool >= kHomeToolCount) return out;
  switch (kHomeTools[tool].tool) {
    case HomeTool::kFullTune:
      s.Show(s.FullTuneActive() ? Stage::FullTune : Stage::Welcome);
      break;
    case HomeTool::kHealth:
      out.health = true;
      out.scan = true;
      break;
    case HomeTool::kMeasure:
      // A measurement already running is shown rather than refused; a start the scheduler
      // refuses for another reason must not show a running screen for nothing.
      if (IsBusy(m.tune.state[static_cast<std::size_t>(StepIndex::Measure)])) {
        s.Show(Stage::MeasureRunning);
      } else {
        s.StartBenchmark(true);
      }
      break;
    case HomeTool::kCpu:
      s.ShowStep(kCpu);
      break;
    case HomeTool::kGpuDriver:
      s.Show(Stage::GpuClean);
      if (m.tune.flow == GpuFlow::Idle && !IsBusy(m.tune.state[kGpuClean])) s.BeginGpuLookup();
      break;
    case HomeTool::kGpuSettings:
      s.ShowStep(static_cast<int>(StepIndex::Gpu));
      break;
    case HomeTool::kAfterburner:
      s.ShowStep(kAfterburner);
      break;
    case HomeTool::kMemory:
      s.ShowStep(static_cast<int>(StepIndex::Memory));
      break;
    case HomeTool::kStorage:
      s.ShowStep(static_cast<int>(StepIndex::Storage));
      break;
    case HomeTool::kRestartNotes:
      s.ShowReview();
      break;
  }
  return out;
}

}  // namespace gui::screens
