#include "app/machine_report.h"

#include <algorithm>

#include "app/output.h"
#include "app/product.h"
#include "driver/display_adapters.h"
#include "health/health_checks.h"
#include "health/health_summary.h"
#include "platform/hardware.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_control.h"
#include "service/service_values.h"
#include "tweaks/cpu_probe.h"

namespace {

constexpr std::size_t kLongestField = 160;
constexpr std::size_t kBestPeriods = 3;
constexpr std::uint32_t kFirstWindows11Build = 22000;
constexpr wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// Every text here comes from the registry, a driver or a health check; in a report meant
// to be pasted, a control or direction-changing character could hide or reorder what the
// reader sees, and an endless value would bury the rest.
std::wstring OneLine(std::wstring_view text) {
  std::wstring line;
  for (wchar_t c : text) {
    const bool hidden = c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) ||
                        (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    line.push_back(hidden ? L' ' : c);
  }
  if (line.size() > kLongestField) line = line.substr(0, kLongestField - 3) + L"...";
  return line;
}

std::wstring Line(const std::wstring& text) { return text + L"\r\n"; }

std::wstring VersionString(const wchar_t* value) {
  const auto read =
      platform::Sys().registry.ReadString({platform::Hive::kLocalMachine, kVersionKey, value});
  return read ? *read : std::wstring();
}

// Windows 11 still names itself "Windows 10" in ProductName; its build number tells.
std::wstring WindowsText() {
  std::wstring product = VersionString(L"ProductName");
  const std::wstring build = VersionString(L"CurrentBuildNumber");
  if (product.empty() && build.empty()) return {};
  const std::uint32_t buildNumber =
      build.empty() || build.size() > 9 || !std::all_of(build.begin(), build.end(), iswdigit)
          ? 0
          : static_cast<std::uint32_t>(std::stoul(build));
  if (buildNumber >= kFirstWindows11Build && product.starts_with(L"Windows 10")) {
    product.replace(0, 10, L"Windows 11");
  }
  std::wstring text = product.empty() ? L"Windows" : product;
  if (const std::wstring display = VersionString(L"DisplayVersion"); !display.empty()) {
    text += L" " + display;
  }
  if (!build.empty()) {
    text += L" (build " + build;
    const auto ubr =
        platform::Sys().registry.ReadDword({platform::Hive::kLocalMachine, kVersionKey, L"UBR"});
    if (ubr) text += L"." + std::to_wstring(*ubr);
    text += L")";
  }
  return text;
}

std::wstring PeriodText(const ReportPeriod& period) {
  return Format(L"%.4f ms (score %.4f ms)", Ms(period.requested), period.scoreMs);
}

std::wstring HeldText(const ReportFacts& facts) {
  switch (facts.service) {
    case ReportFacts::Service::kNotInstalled:
      return L"none (the timer service is not installed)";
    case ReportFacts::Service::kStopped:
      return L"none (the timer service is installed but not running)";
    case ReportFacts::Service::kRunning:
      break;
  }
  if (facts.held == 0) return L"unknown (the timer service runs, its period is unreadable)";
  if (!facts.heldScoreMs) return Format(L"%.4f ms (no aggregate score)", Ms(facts.held));
  return PeriodText({facts.held, *facts.heldScoreMs});
}

}  // namespace

std::vector<ReportPeriod> BestPeriods(std::span<const AggregatePoint> points) {
  std::vector<ReportPeriod> ranked;
  for (const AggregatePoint& point : points) {
    if (point.score_w > 0) ranked.push_back({point.requested, point.score});
  }
  std::sort(ranked.begin(), ranked.end(), [](const ReportPeriod& a, const ReportPeriod& b) {
    return a.scoreMs != b.scoreMs ? a.scoreMs < b.scoreMs : a.requested < b.requested;
  });
  if (ranked.size() > kBestPeriods) ranked.resize(kBestPeriods);
  return ranked;
}

std::wstring FormatMachineReport(const ReportFacts& facts) {
  std::wstring text = Line(Format(L"%ls %ls report", kProductName, kVersionText));
  text += Line(L"Windows: " + (facts.windows.empty() ? L"unreadable" : OneLine(facts.windows)));
  text += Line(Format(L"CPU: %ls (%u logical processors)",
                      facts.cpu.empty() ? L"unknown" : OneLine(facts.cpu).c_str(),
                      facts.logicalProcessors));
  if (facts.gpus.empty()) text += Line(L"GPU: none found");
  for (const std::wstring& gpu : facts.gpus) text += Line(L"GPU: " + OneLine(gpu));
  text += Line(L"Held timer period: " + HeldText(facts));
  if (facts.best.empty()) {
    text += Line(L"Aggregate: no saved runs yet");
  } else {
    text += Line(Format(L"Aggregate best periods (%u runs):", facts.aggregateRuns));
    for (std::size_t i = 0; i < facts.best.size(); ++i) {
      text += Line(Format(L"  %u. ", static_cast<unsigned>(i + 1)) + PeriodText(facts.best[i]));
    }
  }
  if (!facts.healthScanned) return text + Line(L"Health: not scanned yet");
  const HealthSummary summary = SummarizeHealth(facts.checks);
  text += Line(Format(L"Health: %d passing, %d need attention, %d informational, %d other",
                      summary.passing, summary.attention, summary.informational, summary.other));
  for (const HealthCheck& check : facts.checks) {
    if (!NeedsAttention(check.status)) continue;
    text += Line(L"  [" + std::wstring(HealthStatusName(check.status)) + L"] " +
                 OneLine(check.group) + L" | " + OneLine(check.title) + L" | expected " +
                 OneLine(check.expected) + L", live " + OneLine(check.live));
  }
  return text;
}

ReportFacts GatherReportFacts() {
  ReportFacts facts;
  facts.windows = WindowsText();
  auto& hardware = platform::Sys().hardware;
  facts.cpu = CpuNameFromBrand(hardware.CpuBrandBytes());
  facts.logicalProcessors = hardware.LogicalProcessorCount();
  for (const DisplayAdapter& adapter : ListDisplayAdapters()) {
    facts.gpus.push_back(adapter.driverVersion.empty()
                             ? adapter.name
                             : adapter.name + L" (driver " + adapter.driverVersion + L")");
  }
  switch (QueryTimerServiceState()) {
    case ServiceState::NotInstalled:
      facts.service = ReportFacts::Service::kNotInstalled;
      break;
    case ServiceState::Stopped:
      facts.service = ReportFacts::Service::kStopped;
      break;
    case ServiceState::Running:
      facts.service = ReportFacts::Service::kRunning;
      facts.held = ReadProductDword(kDesiredResolution).value_or(0);
      break;
  }
  return facts;
}

void AddAggregate(ReportFacts& facts, const AggregateView& aggregate) {
  facts.aggregateRuns = aggregate.runs;
  facts.best = BestPeriods(aggregate.points);
  for (const AggregatePoint& point : aggregate.points) {
    if (point.requested == facts.held && point.score_w > 0) facts.heldScoreMs = point.score;
  }
}

int RunReportCommand() {
  ReportFacts facts = GatherReportFacts();
  AddAggregate(facts, LoadAggregateView(DataFolder()));
  facts.checks = RunHealthChecks(nullptr);
  facts.healthScanned = true;
  WriteStandardOutput(FormatMachineReport(facts));
  return 0;
}
