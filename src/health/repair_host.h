// What drift tracking and repair need from the window and the step scheduler. The GUI
// implements it; the tests implement it with fakes.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "health/health_check.h"
#include "health/monitor_settings.h"

// The repairs under way: each scheduler step being repaired automatically, and the one
// manual repair the user asked for.
struct RepairState {
  std::set<std::wstring> automatic;
  std::wstring pendingManual;
};

class RepairHost {
 public:
  virtual ~RepairHost() = default;
  // The latest scan's results, read only while ResultsLock is held.
  virtual std::mutex& ResultsLock() = 0;
  virtual const std::vector<HealthCheck>& LatestResults() = 0;
  virtual MonitorSettings Settings() = 0;
  // The stronger fix for a repair key (HardenStep in the program).
  virtual void Harden(const std::wstring& repairKey) = 0;
  // A warning box with OK and Cancel; true for OK.
  virtual bool ConfirmWarning(const std::wstring& caption, const std::wstring& text) = 0;
  virtual void ShowInformation(const std::wstring& text) = 0;
  // The saved resolution as a fresh system view reports it (0 when none is saved).
  virtual std::uint32_t DesiredResolution() = 0;
  // Whether the scheduler has the step (a selection key: "cpu", "hold", ...) queued or
  // running.
  virtual bool IsStepBusy(const std::wstring& stepKey) = 0;
  // Starts the step with the worker the workflow uses; `resolution` is for "hold".
  virtual void StartStep(const std::wstring& stepKey, std::uint32_t resolution) = 0;
  virtual void StartBackgroundScan() = 0;
  virtual RepairState& Repairs() = 0;
};
