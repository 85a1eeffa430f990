#include "gui/real_host.h"

#include <memory>
#include <mutex>

#include "afterburner/install_afterburner.h"
#include "app/elevation.h"
#include "app/install_service_work.h"
#include "app/output.h"
#include "app/product.h"
#include "app/thread_context.h"
#include "driver/driver_download.h"
#include "driver/driver_install.h"
#include "driver/driver_lookup.h"
#include "health/hardening.h"
#include "health/monitor_settings.h"
#include "measure/aggregate.h"
#include "measure/benchmark.h"
#include "measure/tune_history.h"
#include "measure/views.h"
#include "platform/kernel_timer.h"
#include "platform/system.h"
#include "service/install.h"
#include "service/service_control.h"
#include "service/service_values.h"
#include "service/timer_service_pause.h"
#include "tweaks/cpu_tune.h"
#include "tweaks/gpu_config.h"
#include "tweaks/small_steps.h"
#include "update/apply_update.h"
#include "update/update_check.h"

namespace {

// The timer services a measurement stopped stay stopped until the scheduler says so: a
// Hold that installs right after replaces them anyway, and otherwise restartService
// starts exactly those again.
struct PausedServices {
  std::mutex mu;
  std::unique_ptr<TimerServicePause> pause;  // guarded by mu
};

gui::SystemView SystemNow() {
  gui::SystemView view;
  if (const auto range = platform::Sys().kernel_timer.Query()) {
    view.finest = range->finest;
    view.coarsest = range->coarsest;
    view.current = range->current;
  }
  view.elevated = IsProcessElevated();
  view.serviceState = static_cast<std::uint32_t>(QueryTimerServiceState());
  view.desiredResolution = ReadProductDword(kDesiredResolution).value_or(0);
  return view;
}

// One of the six step callbacks: its own status first, then the step with the row dwell
// the command line asked for.
template <typename Step>
std::function<int(gui::Feed&)> StepCallback(bool dwell, const wchar_t* title, const wchar_t* detail,
                                            Step step) {
  return [dwell, title, detail, step](gui::Feed& feed) {
    feed.ShowStatus(title, detail);
    CurrentThreadContext().dwellEnabled = dwell;
    return step(feed) ? 0 : 1;
  };
}

}  // namespace

gui::GuiHost MakeGuiHost(const Options& options) {
  gui::GuiHost host;
  host.version = kVersionText;
  host.dataFolder = DataFolder();
  host.logPath = LogPath();
  host.yes = options.assumeYes;
  host.show = options.show;
  host.forcePpm = options.forcePpm;
  host.stepSwitches = {!options.noPrepare,
                       true,
                       true,
                       !options.noPpm,
                       !options.noGpu,
                       !options.noGpu,
                       !options.noAfterburner,
                       !options.noMemory,
                       !options.noStorage};
  host.resolution = options.resolution;
  host.measured = options.measured;
  host.fidelity = static_cast<int>(options.fidelity);

  host.system = SystemNow;
  auto paused = std::make_shared<PausedServices>();
  host.measure = [options, paused](gui::Feed&, int fidelity, bool& serviceStopped) {
    auto pause = std::make_unique<TimerServicePause>();
    serviceStopped = pause->StoppedAny();
    if (serviceStopped) {
      std::lock_guard lock(paused->mu);
      paused->pause = std::move(pause);  // restarted when the scheduler asks
    }
    Options run = options;
    run.fidelity = static_cast<Fidelity>(fidelity);
    const BenchmarkResult result =
        RunBenchmark(run, static_cast<std::uint32_t>(QueryTimerServiceState()));
    gui::ResultView view;
    view.selected = result.selected;
    view.bestMeasured = result.bestMeasured;
    view.margin = result.margin;
    view.holdValue = result.timerToSet != 0 ? result.timerToSet : result.selected;
    view.loop = PatternViewOf(result.loopStats);
    view.idle = PatternViewOf(result.idleStats);
    view.error = result.error;
    view.serviceStopped = serviceStopped;
    return view;
  };
  host.restartService = [paused] {
    std::lock_guard lock(paused->mu);
    if (paused->pause) paused->pause->Resume();
    paused->pause.reset();
  };
  host.install = [paused](std::uint32_t resolution, bool pinned, gui::Feed& feed) {
    const int result = InstallServiceWork(resolution, pinned, feed);
    if (result == 0) {
      // The install started the service it wrote; nothing stopped is left to restart.
      std::lock_guard lock(paused->mu);
      if (paused->pause) paused->pause->Dismiss();
      paused->pause.reset();
    }
    return result;
  };
  host.cpuProbe = ProbeCpu;
  host.gpuProbe = ProbeGpu;
  const bool dwell = !options.noPause;
  host.ppm = StepCallback(dwell, L"PPM", L"applying processor power-management tweaks",
                          [](gui::Feed&) { return ApplyCpuTune(); });
  host.gpu = StepCallback(dwell, L"GPU CONFIG", L"applying GPU driver / Windows graphics tweaks",
                          [](gui::Feed&) { return ApplyGpuConfig(); });
  host.afterburner = StepCallback(dwell, L"AFTERBURNER", L"installing Afterburner and RivaTuner",
                                  [](gui::Feed& feed) {
                                    std::wstring error;
                                    const bool ok = gui::InstallAfterburner(&feed, error);
                                    if (!ok && !error.empty()) feed.AddLine(error);
                                    return ok;
                                  });
  // The window's Prepare succeeds only when a restore point protects the user (the new one,
  // or System Restore's point of the last day, which the step's own line names): a full
  // tune waits for it or for "Continue anyway".
  host.prepare =
      StepCallback(dwell, L"PREPARE", L"creating a System Restore point", [](gui::Feed&) {
        bool made = false;
        (void)ApplyPrepare(made);
        return made;
      });
  host.memory = StepCallback(dwell, L"MEMORY", L"pagefile and memory compression",
                             [](gui::Feed&) { return ApplyMemory(); });
  host.storage = StepCallback(dwell, L"STORAGE", L"SSD, PCIe, USB, TRIM, SysMain",
                              [](gui::Feed&) { return ApplyStorage(); });
  host.harden = [](const std::wstring& area) { HardenStep(area); };
  host.cleanStaleServices = RemoveStaleServices;

  host.driverLookup = [](gui::Feed& feed, const std::atomic<bool>* cancel) {
    return LookupGpuDriver(&feed, cancel);
  };
  host.driverDownload = [](gui::Feed& feed, gui::GpuDriverOffer& offer,
                           const std::atomic<bool>* cancel) {
    return gui::DownloadGpuDriver(&feed, offer, cancel);
  };
  host.driverInstall = [](gui::Feed& feed, gui::GpuDriverOffer& offer) {
    return InstallGpuDriver(&feed, offer);
  };

  host.resolutionPinned = [] { return ReadProductDword(kResolutionPinned).value_or(0) != 0; };
  host.lowestAggregate = [] { return LowestAggregateScore(DataFolder()).resolution; };
  host.setupComplete = IsSetupComplete;
  host.loadSelection = LoadStepChoices;
  host.saveChoices = SaveStepChoices;
  host.saveSelection = [](const std::array<bool, 9>& wants) {
    SaveStepChoices(wants);
    MarkSetupComplete();
  };
  host.loadAggregate = [] { return LoadAggregateView(DataFolder()); };
  host.reportFacts = GatherReportFacts;
  host.appendHistory = [](const std::wstring& area, const std::wstring& message) {
    AppendTuneHistory(DataFolder(), area, message);
  };
  if (!options.assumeYes) {
    // One checker for the run, so an outcome already logged is not logged every interval.
    auto checker = std::make_shared<update::UpdateChecker>();
    host.checkUpdate = [checker](update::AppUpdate& found, const std::atomic<bool>& cancel,
                                 std::wstring& error) {
      return checker->CheckAndLog(found, &cancel, error);
    };
    host.applyUpdate = [](const update::AppUpdate& release,
                          const std::function<void(const std::wstring&)>& progress,
                          const std::atomic<bool>& cancel, std::wstring& error) {
      return update::ApplyAppUpdate(update::kShippedEndpoints, release, progress, cancel, error);
    };
  }
  return host;
}
