// GuiHost: what the window's scheduler may ask of the rest of the program. RunGui fills it
// with the real operations; tests fill it with gated fakes. Every callback may be absent:
// a step without its callback fails, and the guided sequence passes over it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/feed.h"
#include "app/machine_report.h"
#include "driver/gpu_driver_offer.h"
#include "measure/aggregate.h"
#include "tweaks/cpu_probe.h"
#include "tweaks/gpu_probe.h"
#include "update/update_list.h"

namespace gui {

// What one measurement run left for the window, kept under the scheduler's result mutex.
struct ResultView {
  std::uint32_t selected = 0;      // verified by this run, 100-ns units
  std::uint32_t bestMeasured = 0;  // 100-ns units
  std::uint32_t margin = 0;        // 100-ns units
  std::uint32_t holdValue = 0;     // the aggregate's choice when runs are saved, else selected
  PatternView loop, idle;
  std::wstring error, note;
  bool serviceStopped = false;
};

struct GuiHost {
  std::wstring version, dataFolder, logPath;
  bool yes = false, show = false;
  bool forcePpm = false;  // --ppm: CPU Tune runs in the --yes chain whatever the probe says
  std::array<bool, 9> stepSwitches{true, true, true, true, true, true, true, true, true};
  std::uint32_t resolution = 0;  // --resolution, 100-ns units; 0 when not given
  bool measured = false;         // --measured
  int fidelity = 1;              // 0 low, 1 medium, 2 high

  std::function<SystemView()> system;
  // `serviceStopped` is set as soon as the run stops the timer service, so a run that
  // throws afterwards still leaves the restart owed.
  std::function<ResultView(Feed& feed, int fidelity, bool& serviceStopped)> measure;
  // 0 installed, 1 failed, 2 handed to an elevated copy.
  std::function<int(std::uint32_t resolution, bool pinned, Feed& feed)> install;
  std::function<CpuProbeView()> cpuProbe;
  std::function<GpuProbeView()> gpuProbe;
  std::function<int(Feed&feed)> ppm, gpu, afterburner, prepare, memory, storage;
  std::function<void()> restartService;
  std::function<void(const std::wstring& area)> harden;
  std::function<void()> cleanStaleServices;

  // The driver flow's three phases (GPU Clean). Each honours `cancel` between operations.
  std::function<GpuDriverOffer(Feed& feed, const std::atomic<bool>* cancel)> driverLookup;
  std::function<int(Feed& feed, GpuDriverOffer& offer, const std::atomic<bool>* cancel)>
      driverDownload;
  std::function<int(Feed& feed, GpuDriverOffer& offer)> driverInstall;

  // The self-update; both absent under --yes. `cancel` stops either between operations.
  std::function<bool(update::AppUpdate& found, const std::atomic<bool>& cancel,
                     std::wstring& error)>
      checkUpdate;
  std::function<int(const update::AppUpdate& release,
                    const std::function<void(const std::wstring&)>& progress,
                    const std::atomic<bool>& cancel, std::wstring& error)>
      applyUpdate;

  // What the scheduler reads and writes of the machine besides the steps.
  std::function<bool()> resolutionPinned;          // ResolutionPinned under the product key
  std::function<std::uint32_t()> lowestAggregate;  // 0 when fewer than two runs are saved
  std::function<bool()> setupComplete;             // SetupComplete under the monitor key
  std::function<std::array<bool, 9>()> loadSelection;
  std::function<void(const std::array<bool, 9>&)> saveChoices;    // the Want_ values
  std::function<void(const std::array<bool, 9>&)> saveSelection;  // and SetupComplete = 1
  std::function<void(const std::wstring& area, const std::wstring& message)> appendHistory;
  // The saved runs and history for the Aggregate screen; read off the window thread.
  std::function<AggregateView()> loadAggregate;
  // Home's timer tile and the report (without health: the window has its own results);
  // read off the window thread.
  std::function<ReportFacts()> reportFacts;
};

}  // namespace gui
