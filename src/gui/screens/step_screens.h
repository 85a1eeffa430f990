// The screens of the step stages: the selection (Welcome), each step's confirm, running,
// result and failure screens, GPU Clean's driver screen, Review with its restart panel,
// Home, and the full tune's cards. Each is a function of the content rectangle and a model
// the window fills from the scheduler every frame; a click comes back as a control id that
// ActOnControl turns into scheduler operations and window requests.
#pragma once

#include <array>
#include <string>

#include "gui/canvas.h"
#include "gui/full_tune.h"
#include "gui/gui_host.h"
#include "gui/input_router.h"
#include "gui/measure_charts.h"
#include "gui/shared_state.h"
#include "gui/steps.h"

namespace gui {
class Scheduler;
}

namespace gui::screens {

enum StepControl : int {
  kBegin = 1000,
  kSelectAll,
  kClearSelection,
  kOpenHealth,
  kPrimary,
  kSkip,
  kStop,
  kOpenLog,
  kCloseWindow,
  kRestart,
  kRestartNow,
  kRestartNotYet,
  kDriverCheckAgain,
  kPrepareRetry,
  kPrepareContinue,
  kAfterburnerStart,
  kAfterburnerDecline,
  kNavHome,
  kNavAggregate,
  kNavAbout,
  kPanelClose,
  kCheckFirst = 1100,     // + step index
  kFidelityFirst = 1120,  // + fidelity
  kCardStopFirst = 1140,  // + step index
};

struct StepScreenModel {
  Stage stage = Stage::Welcome;
  TuneView tune;
  const std::array<FeedSnapshot, kStepCount>* feeds = nullptr;
  // The window's copy of the Measure charts: the Measure screen and a full tune's Measure
  // card draw the panels from it.
  const ChartSnapshot* charts = nullptr;
  ResultView result;
  GpuDriverOffer offer;
  CpuProbeView cpu;
  std::wstring gpuSummary;
  int fidelity = 1;
  std::uint32_t optionResolution = 0;  // --resolution
  bool optionMeasured = false;
  bool driverAfterAfterburner = false;
  bool fullTuneActive = false;
  bool restartPanel = false;
  std::wstring restartMessage;  // why the restart did not happen
  double seconds = 0;           // the window's clock, for indeterminate bars
  // 0 none, else 0..1: Measure's and Hold's finish celebrations on their result screens.
  float measureCelebration = 0;
  float holdCelebration = 0;
};

// The step a stage belongs to, or -1 (Welcome, Review, Health, Home, Full tune).
int StepOfStage(Stage stage);

// The page header of a stage: its name and subtitle.
struct PageHeading {
  std::string name, subtitle;
};
PageHeading PageHeadingOf(Stage stage);

void DrawStepScreen(Canvas& canvas, Rect content, const StepScreenModel& model,
                    InputRouter& router);

// What an activated control asks of the window itself.
struct WindowRequest {
  bool openLog = false;
  bool close = false;    // Close: to the tray when close-to-tray is on
  bool restart = false;  // Restart now, already checked against busy steps
  bool health = false;
  bool scan = false;          // with health: a new scan as it opens
  bool restartPanel = false;  // the panel's state after the control
};

WindowRequest ActOnControl(int id, const StepScreenModel& model, Scheduler& scheduler);
// Home's tools column: `tool` is the row in kHomeTools.
WindowRequest ActOnHomeTool(int tool, const StepScreenModel& model, Scheduler& scheduler);

}  // namespace gui::screens
