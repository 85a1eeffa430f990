// One health check result: whether an applied setting is live right now, and which step
// can put it back.
#pragma once

#include <cstdint>
#include <string>

// Numeric values are stored and compared; keep them.
enum class HealthStatus : std::int32_t {
  Passing = 0,
  NeedsAttention = 1,
  Informational = 2,
  Disabled = 3,
  Unsupported = 4,
  Unknown = 5,
  Inaccessible = 6,
  Error = 7,
  RestartRequired = 8,
};

// The name shown for a status ("Passing", "Needs attention", ...).
const wchar_t* HealthStatusName(HealthStatus status);

struct HealthCheck {
  std::wstring id;  // stable key such as "timer.service"
  std::wstring group;
  std::wstring title;
  std::wstring expected;
  std::wstring live;
  HealthStatus status = HealthStatus::Unknown;
  std::int32_t severity = 0;  // 1 needs attention or unreadable, 2 the read failed
  std::wstring explanation;
  std::wstring repairStep;      // "timer", "ppm", ...; empty when nothing repairs it
  std::uint64_t checkedAt = 0;  // UTC file time
};
