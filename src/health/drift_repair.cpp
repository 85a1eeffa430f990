#include "health/drift_repair.h"

#include <algorithm>
#include <vector>

#include "health/health_checks.h"

namespace {

bool NeedsRepair(HealthStatus status) {
  return status == HealthStatus::NeedsAttention || status == HealthStatus::Error ||
         status == HealthStatus::RestartRequired;
}

void AddOnce(std::vector<std::wstring>& list, const std::wstring& key) {
  if (std::find(list.begin(), list.end(), key) == list.end()) list.push_back(key);
}

// The scheduler step that repairs a repair key; empty for a key nothing repairs.
std::wstring StepOfRepairKey(const std::wstring& repairKey) {
  if (repairKey == L"ppm") return L"cpu";
  if (repairKey == L"timer") return L"hold";
  if (repairKey == L"gpu" || repairKey == L"memory" || repairKey == L"storage" ||
      repairKey == L"afterburner") {
    return repairKey;
  }
  return {};
}

}  // namespace

void TrackDrift(RepairHost& app) {
  const MonitorSettings settings = app.Settings();
  if (!settings.maintainTiming || settings.paused) return;
  std::vector<std::wstring> repairs;
  std::vector<std::wstring> strongerFixes;
  {
    std::lock_guard lock(app.ResultsLock());
    for (const HealthCheck& check : app.LatestResults()) {
      if (check.status == HealthStatus::Passing) {
        SetDriftCount(check.id, 0);
        continue;
      }
      // Afterburner is never re-installed behind the user's back.
      if (!NeedsRepair(check.status) || check.repairStep.empty() ||
          check.repairStep == L"afterburner") {
        continue;
      }
      const std::uint32_t count = ReadDriftCount(check.id) + 1;
      SetDriftCount(check.id, count);
      AddOnce(repairs, check.repairStep);
      if (count > 1) AddOnce(strongerFixes, check.repairStep);
    }
  }
  for (const std::wstring& key : strongerFixes) app.Harden(key);
  for (const std::wstring& key : repairs) RepairStep(app, key, false);
}

void RepairStep(RepairHost& app, const std::wstring& repairKey, bool manual) {
  if (repairKey.empty()) return;
  if (manual &&
      !app.ConfirmWarning(L"Veltrane",
                          L"This changes the selected Windows setting using the existing Veltrane "
                          L"step. It does not install a driver unless you chose the graphics or "
                          L"Afterburner repair.")) {
    return;
  }
  const std::wstring step = StepOfRepairKey(repairKey);
  if (step.empty()) return;
  std::uint32_t resolution = 0;
  if (step == L"hold") {
    resolution = app.DesiredResolution();
    if (resolution == 0) {
      if (manual) app.ShowInformation(L"Measure a timer resolution before repairing the timer service.");
      return;
    }
    // A measurement in progress owns the timer; the install waits for the next scan.
    if (app.IsStepBusy(L"measure")) return;
  }
  if (app.IsStepBusy(step)) {
    if (manual) app.ShowInformation(L"That step is already running.");
    return;
  }
  RepairState& state = app.Repairs();
  if (manual) {
    state.pendingManual = step;
  } else {
    state.automatic.insert(step);
    AppendHealthLog(L"automatic repair " + repairKey);
  }
  app.StartStep(step, resolution);
}

void OnRepairStepEnded(RepairHost& app, const std::wstring& stepKey, bool succeeded) {
  RepairState& state = app.Repairs();
  bool scan = false;
  if (!state.pendingManual.empty() && state.pendingManual == stepKey) {
    AppendHealthLog(succeeded ? L"repair finished" : L"repair failed");
    state.pendingManual.clear();
    scan = true;
  }
  if (state.automatic.erase(stepKey) != 0) {
    AppendHealthLog(succeeded ? L"automatic repair finished" : L"automatic repair failed");
    scan = scan || state.automatic.empty();
  }
  if (scan) app.StartBackgroundScan();
}
