// The per-tweak checks, generated from the CPU Tune, storage power and GPU Config tables.
#pragma once

#include <atomic>
#include <vector>

#include "health/health_check.h"

// Appends one check per table entry that applies to this machine; false once `cancel`
// (may be null) is set, with the results of the entries checked so far kept.
bool AppendTweakChecks(std::vector<HealthCheck>& results, const std::atomic<bool>* cancel);
