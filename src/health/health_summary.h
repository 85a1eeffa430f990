// The counts and the one-line verdict over a list of health check results.
#pragma once

#include <span>
#include <string>

#include "health/health_check.h"

struct HealthSummary {
  int passing = 0;        // Passing
  int attention = 0;      // Needs attention, Error, Restart required
  int informational = 0;  // Informational
  int other = 0;          // Disabled, Unsupported, Unknown, Inaccessible
  std::wstring text;
};

HealthSummary SummarizeHealth(std::span<const HealthCheck> checks);

// Whether a result asks the user to act: it drifted, failed, or waits for a restart.
bool NeedsAttention(HealthStatus status);
