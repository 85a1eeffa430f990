// Scheduler: the window's engine. It runs the nine steps on the StepRunner's slots through
// the GuiHost callbacks, moves the window between screens as they start and end, drives
// GPU Clean's driver flow and, for a full tune, starts the selected steps in dependency
// order as cards free up. Every operation but the workers runs on the window thread; the
// window reads it, draws, and forwards clicks. No Win32 here: tests drive it with fakes.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "gui/driver_flow.h"
#include "gui/full_tune.h"
#include "gui/gui_host.h"
#include "gui/restart_debt.h"
#include "gui/shared_state.h"
#include "gui/step_runner.h"
#include "gui/steps.h"

namespace gui {

// What the scheduler asks of the window and the health side.
class SchedulerSink {
 public:
  virtual ~SchedulerSink() = default;
  // Any thread: an elevated copy took the work over, so this window should close.
  virtual void PostClose() = 0;
  // Window thread: a line for the health log, and a fresh scan once none runs.
  virtual void HealthLog(const std::wstring& text) = 0;
  virtual void RequestHealthScan() = 0;
};

class Scheduler {
 public:
  Scheduler(GuiHost& host, RunnerClock& clock, SchedulerSink& sink);
  ~Scheduler();  // Exit(false) unless it ran
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // The first screen: the selection, the header, and with --yes the first step.
  void Startup();
  void GoHome();
  void ShowReview();
  void ShowHealth();
  // A step's screen from Home: its running screen while it is busy, else its confirm screen
  // with that screen's header. For the steps that have both (CPU Tune, GPU Config,
  // Afterburner, Memory, Storage).
  void ShowStep(int step);

  // Start a step on its slot unless it is busy; `show` moves to its running screen (GPU
  // Clean: its lookup, on its one screen).
  bool StartStep(int step, bool show);
  bool StartBenchmark(bool show);
  bool StartInstall(bool show, std::uint32_t resolution);
  bool BeginGpuLookup();
  bool BeginGpuDownload();
  bool BeginGpuInstall();
  // Retry on the driver's failure screen: the phase that failed, as far as it can repeat.
  bool RetryGpuClean();
  // Skip this step on GPU Clean; refused (false) while the driver installs.
  bool SkipGpuClean();
  // GPU Clean's Continue once the driver is installed: GPU Config and Afterburner follow.
  void ContinueAfterDriver();
  void Stop(int step);
  // The guided sequence from step `from`: its confirm screen, or its start with --yes.
  void EnterStep(int from);
  // A step started by a repair; its end goes to the health log. `resolution` is the value
  // a Hold repair installs (0: the last result's).
  bool StartRepair(int step, bool automatic, std::uint32_t resolution = 0);

  // The selection screen's Begin; false with nothing selected.
  bool Begin();
  void ContinuePrepareAnyway() { prepareSettled_ = true; }
  bool StartOfferedAfterburner();
  void DeclineAfterburner();

  // Every frame and every monitor tick, on the window thread: drains the ends, runs the
  // chains and the automatic hold, and ticks the full tune up to `capacity` cards.
  void Update(int capacity);

  // Stops and joins every worker, then restarts the timer service if a measurement left
  // it stopped and nothing installed it since.
  void Exit(bool updateApplying);

  Stage CurrentStage() const { return static_cast<Stage>(stage_.load()); }
  void Show(Stage stage) { stage_.store(static_cast<std::uint32_t>(stage)); }
  std::array<bool, kStepCount>& Selection() { return selection_; }
  // An edit on the selection screen, saved at once so reloading it on Home keeps it.
  void SetSelected(int step, bool selected);
  void SelectAll(bool selected);
  void SetFidelity(int fidelity) { fidelity_.store(fidelity); }
  int Fidelity() const { return fidelity_.load(); }
  TuneView View() const;
  std::wstring Status() const { return StatusLine(View()); }
  StepState State(int step) const { return runner_.State(step); }
  SharedState& FeedOf(int step) { return runner_.FeedOf(step); }
  SharedState& HeaderFeed() { return header_; }
  ResultView Result() const;
  CpuProbeView Cpu() const;
  const DriverFlow& Flow() const { return flow_; }
  bool FullTuneActive() const { return fullTuneActive_; }
  bool AfterburnerOffered() const { return afterburnerOffered_; }
  // The driver was installed after the Afterburner scan, which it may have undone.
  bool DriverAfterAfterburner() const { return driverAfterAfterburner_; }

 private:
  using Work = StepRunner::Work;
  bool Launch(int step, bool show, Work work);
  bool StartTweak(int step, bool show);
  bool HasWork(int step) const;
  void SetHeader(const std::wstring& title, const std::wstring& detail);
  void LoadSelection();
  void TickFullTune(int capacity);
  void OnEnd(const EndRecord& end);
  void ChainAfter(int step);
  void AppendHistory(int step, std::uint32_t held);

  int TweakWorker(int step, SharedState& feed);
  int MeasureWorker(SharedState& feed);
  int HoldWorker(std::uint32_t passed, SharedState& feed);
  int LookupWorker(SharedState& feed);
  int DownloadWorker(SharedState& feed);
  int InstallWorker(SharedState& feed);
  std::uint32_t ResolvedHoldValue() const;
  void SettleMeasure(bool serviceStopped);
  void SettleHold(int installReturn);

  GuiHost& host_;
  SchedulerSink& sink_;
  StepRunner runner_;
  SharedState header_;
  DriverFlow flow_;
  std::atomic<std::uint32_t> stage_{0};
  std::atomic<int> fidelity_{1};
  std::array<bool, kStepCount> selection_{true, true, true, true, true, true, true, true, true};
  bool exited_ = false;

  mutable std::mutex resultMu_;
  ResultView result_;  // guarded by resultMu_
  CpuProbeView cpu_;   // guarded by resultMu_

  std::mutex debtMu_;
  RestartDebt debt_;  // guarded by debtMu_

  // The full tune's flags; Begin sets them back. Window thread only, but for
  // fullTuneActive_, which the driver install's worker reads.
  std::atomic<bool> fullTuneActive_{false};
  bool prepareSettled_ = false;      // ContinuePrepareAnyway
  bool gpuCleanSettled_ = false;     // not selected, skipped, or its slot stopped
  bool afterburnerSettled_ = false;  // the user declined the offer or skipped the step
  bool afterburnerOffered_ = false;
  // Set by GPU Clean's Continue and Skip outside a full tune (inside one, the tick starts
  // GPU Config and the offer asks for Afterburner): start both once the flow has ended.
  bool gpuChainPending_ = false;
  bool yesChain_ = false;  // --yes: each finished step goes on to the next
  struct RunRef {
    int slot;
    std::uint64_t run;
  };
  std::vector<RunRef> manualRepairs_, autoRepairs_;

  std::atomic<bool> gpuCancel_{false};
  // Set by the driver install worker when it installed a driver after GPU Config had
  // finished, so GPU Config writes its profile into the new driver; outside a full tune
  // only, and Begin clears it.
  std::atomic<bool> gpuConfigAfterDriver_{false};
  std::atomic<bool> driverAfterAfterburner_{false};
  std::atomic<bool> afterburnerFinished_{false};
  std::atomic<bool> gpuConfigFinished_{false};
};

}  // namespace gui
