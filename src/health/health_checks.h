// The health list: every check in its fixed order, the summary written to the log, and
// the --health listing.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "health/health_check.h"

// Runs every check in order on the calling thread. Once `cancel` (may be null) is set no
// further result is added: the checks done so far are returned and nothing is logged.
std::vector<HealthCheck> RunHealthChecks(const std::atomic<bool>* cancel);

// "health  <text>" as one log line, through the same locked append as every other line.
void AppendHealthLog(const std::wstring& text);
