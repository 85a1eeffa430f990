// The text a user pastes into a forum post when asking for help: what this machine is,
// what Veltrane holds on it, how the aggregate ranks the periods, and what health found.
// It carries no machine identifiers beyond what the window already shows (no computer or
// user name, no paths of the install).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "health/health_check.h"
#include "measure/aggregate.h"

struct ReportPeriod {
  std::uint32_t requested = 0;  // 100-ns units
  double scoreMs = 0;
};

struct ReportFacts {
  std::wstring windows;  // "Windows 11 Pro 23H2 (build 22631.4460)"; empty when unreadable
  std::wstring cpu;
  std::uint32_t logicalProcessors = 0;
  std::vector<std::wstring> gpus;  // "name (driver version)"
  enum class Service { kNotInstalled, kStopped, kRunning } service = Service::kNotInstalled;
  std::uint32_t held = 0;  // the period the running service requests; 0 when unknown
  std::optional<double> heldScoreMs;
  std::uint32_t aggregateRuns = 0;
  std::vector<ReportPeriod> best;  // lowest aggregate scores first, at most three
  bool healthScanned = false;
  std::vector<HealthCheck> checks;
};

// The report as plain lines ending in "\r\n" (what the clipboard and a forum expect).
std::wstring FormatMachineReport(const ReportFacts& facts);

// The lowest three aggregate scores (the lower interval first on a tie); intervals without
// weight are left out.
std::vector<ReportPeriod> BestPeriods(std::span<const AggregatePoint> points);

// Reads the machine: Windows' version, the processor and adapters, the service and the
// period it holds. The aggregate and the health results are the caller's: the console
// reads and scans them, the window passes what it already has.
ReportFacts GatherReportFacts();
// The aggregate's runs, its best periods and the held period's score.
void AddAggregate(ReportFacts& facts, const AggregateView& aggregate);

// --report: scans health, then prints the report to standard output. 0.
int RunReportCommand();
