// Drift tracking over maintenance scans, and the repair that re-runs the step owning a
// drifted setting.
#pragma once

#include <string>

#include "health/repair_host.h"

// After a maintenance scan, with Maintain timing on and monitoring not paused: counts
// every check that needs attention, repairs each owning step once, and asks for the
// stronger fix where the same check drifted in consecutive scans.
void TrackDrift(RepairHost& app);

// Starts the repair of one repair key ("timer", "ppm", "gpu", "memory", "storage",
// "afterburner"); a manual repair asks first and says why it cannot start.
void RepairStep(RepairHost& app, const std::wstring& repairKey, bool manual);

// The scheduler reports that a step (selection key) ended: logs the repair's outcome and
// starts a new scan after the manual repair and after the last automatic one.
void OnRepairStepEnded(RepairHost& app, const std::wstring& stepKey, bool succeeded);
