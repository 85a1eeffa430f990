// StepWindow: everything the window shows and does between its frame and the scheduler,
// free of Win32. It owns the scheduler, routes pointer and key input to the controls the
// last frame drew, keeps the window's copies of the step feeds, and tells the window when
// a frame is worth drawing and what it must do itself (open the log, close, restart).
#pragma once

#include <array>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gui/canvas.h"
#include "gui/input_router.h"
#include "gui/last_scan.h"
#include "gui/measure_charts.h"
#include "gui/scheduler.h"
#include "gui/screens/aggregate_screen.h"
#include "gui/screens/health_screen.h"
#include "gui/screens/home_screen.h"
#include "gui/screens/settings_screen.h"
#include "gui/screens/step_screens.h"
#include "gui/window_frame.h"

namespace gui {

// What the window passes in about its health scan for the Health and Home screens. Held
// by value: input between frames acts on the rows the last frame showed.
struct HealthFeed {
  std::vector<HealthCheck> checks;
  bool scanning = false;
  bool scanned = false;
};

// What the window lends the Settings panel: its settings and their deadlines, in seconds of
// its clock. Null settings: the panel cannot open.
struct SettingsAccess {
  MonitorSettings* settings = nullptr;
  screens::MonitorDeadlines* deadlines = nullptr;
  double now = 0;
  std::array<std::wstring, 2> defaultFolders;  // shown while no folder is chosen
};

enum class Panel { kNone, kSettings, kAbout, kAggregate };

// One lattice source as the window's renderer needs it before a frame's drawing starts.
struct LatticeSource {
  const ChartSnapshot* picture = nullptr;  // null: nothing to show
  std::uint64_t version = 0;               // changes whenever the picture does
  bool shown = false;                      // the next frame shows it, as far as is known now
};

struct WindowActions {
  bool openLog = false;
  bool close = false;
  bool restart = false;
  bool scan = false;
  std::wstring repairKey;  // Health's "Repair this": the check's repair key
  std::wstring openUrl;    // an About link
  bool settingsChanged = false;
  bool installUpdate = false;  // Home's "Install update": the window asks first
  int pickFolder = -1;         // Settings' "Browse": the index in kFolderFields
};

class StepWindow {
 public:
  StepWindow(GuiHost& host, RunnerClock& clock, SchedulerSink& sink);

  void Start() { scheduler_.Startup(); }
  Scheduler& scheduler() { return scheduler_; }

  // Drains step ends, runs the chains and the full tune. True when the next frame would
  // differ from the last one drawn (a feed, a state or the screen changed).
  bool Poll();
  // Something runs or waits for its turn: poll again soon, also while hidden.
  bool Active() const;
  // A page transition is under way: input waits, and the outgoing page is still drawn.
  bool Transitioning() const { return transitionT_ < 1.0; }
  // Something moves on screen: the window draws the next frame without waiting.
  bool Animating() const {
    return Transitioning() || Rising(measureCelebration_) || Rising(holdCelebration_);
  }

  void Draw(Canvas& canvas, float width, float height, const std::string& version, float fade,
            double seconds, HealthFeed health, const SettingsAccess& settings = {});
  // The Settings or About panel over the screen, or none (the tray's Settings opens one).
  void Open(Panel panel);

  WindowActions PointerDown(float x, float y, double now);
  WindowActions PointerUp(float x, float y, double now);
  WindowActions KeyDown(Key key, bool repeat, double now);
  void KeyUp(Key key) { router_.KeyUp(key); }
  // True when the control under the pointer changed (Home's help panel follows it).
  bool PointerMove(float x, float y);
  // Scrolls the list of the screen shown by `pixels` (positive: further down). True when
  // a list took it.
  bool Wheel(float pixels);
  void ModalClosed(double now) { router_.ModalClosed(now); }

  // kLiveLattice (this run's samples) or kLastScanLattice (the newest saved run).
  LatticeSource Lattice(int source) const;
  // The newest run file's picture, read off the window thread when the window starts, when
  // Home is entered and when a measurement ends; never per frame.
  const LastScan& lastScan() const { return lastScan_; }

  // Why a restart asked for did not happen (a busy step, or the system's refusal).
  void SetRestartMessage(const std::wstring& message) { restartMessage_ = message; }
  // Null when nothing stops a restart now.
  const wchar_t* RestartRefused() const;

  // Home offers "Install update" while a checked release waits, and shows how its install
  // goes while it runs (`progress` empty otherwise).
  void SetUpdate(bool available, const std::wstring& progress) {
    updateAvailable_ = available;
    updateProgress_ = progress;
  }
  // The report asked for by "Copy report", once it is ready; the window puts it on the
  // clipboard and tells how that went.
  std::optional<std::wstring> TakeReport();
  void ReportCopied(bool copied);
  // Why the folder just picked was refused or is not used yet; empty clears it.
  void SetFolderNote(const std::wstring& error) { folderNote_ = error; }

 private:
  WindowActions Act(const InputResult& input);
  WindowActions ActOnPanel(int id);
  WindowActions ActOnHome(int id, const screens::StepScreenModel& m);
  void DrawHome(Canvas& canvas, Rect content, const screens::StepScreenModel& m,
                InputRouter& router);
  // The stage's screen; `router` takes its controls (a throw-away one for a screen that is
  // leaving).
  void DrawScreen(Canvas& canvas, Rect content, const screens::StepScreenModel& m,
                  InputRouter& router);
  // Home's machine facts and the aggregate, read again on their own threads.
  void RefreshHome();
  void LoadAggregate();
  // Takes what a finished read brought; true when something arrived.
  bool CollectLoads();
  void DrawPanel(Canvas& canvas, Rect content);
  screens::StepScreenModel Model(double seconds);
  // Takes a finished read of the last scan and starts the next when there is reason to look;
  // true when the picture changed.
  bool PollLastScan();

  Scheduler scheduler_;
  GuiHost& host_;
  InputRouter router_;
  std::array<FeedSnapshot, kStepCount> feeds_;
  MeasureCharts charts_;  // fed from every copy of the Measure feed
  FeedSnapshot header_;
  screens::HealthScreenState healthState_;
  HealthFeed health_;  // of the last frame, for its controls
  bool restartPanel_ = false;
  Panel panel_ = Panel::kNone;
  // The Aggregate screen's files, read on a thread of their own when it opens: the data
  // files' lock may be held by a measurement for a while.
  std::future<AggregateView> aggregateLoad_;
  std::optional<AggregateView> aggregate_;
  screens::AggregateScreenState aggregateState_;
  std::future<std::optional<LastScan>> lastScanLoad_;
  LastScan lastScan_;
  std::uint64_t lastScanVersion_ = 0;
  bool lastScanLooked_ = false;
  Stage lastScanStage_ = Stage::Welcome;
  StepState lastScanMeasure_{};
  std::future<ReportFacts> factsLoad_, reportLoad_;
  std::optional<ReportFacts> facts_;
  std::optional<std::wstring> report_;
  screens::HomeScreenState homeState_;
  std::string homeNotice_;
  std::wstring folderNote_;
  int hovered_ = -1;
  bool updateAvailable_ = false;
  std::wstring updateProgress_;
  bool homeStale_ = true;
  // The page transition from the stage drawn before.
  Stage transitionFrom_ = Stage::Welcome;
  double transitionT_ = 1.0;
  double lastSeconds_ = 0;
  std::uint64_t framesDrawn_ = 0;
  // Measure's and Hold's finish celebrations (0 none, else rising to 1).
  float measureCelebration_ = 0, holdCelebration_ = 0;
  static bool Rising(float celebration) { return celebration > 0 && celebration < 1; }
  SettingsAccess settings_;  // of the last frame, for the panel's controls
  std::wstring restartMessage_;
  std::wstring gpuSummary_;
  bool gpuProbed_ = false;
  int capacity_ = 1;
  // What the last frame showed, to tell whether the next one would differ.
  std::array<std::uint64_t, kStepCount + 1> drawnVersions_{};
  std::array<StepState, kStepCount> drawnStates_{};
  Stage drawnStage_ = Stage::Welcome;
  GpuFlow drawnFlow_ = GpuFlow::Idle;
};

}  // namespace gui
