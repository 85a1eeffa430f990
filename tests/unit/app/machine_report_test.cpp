#include "app/machine_report.h"

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace {

HealthCheck Check(HealthStatus status, std::wstring title, std::wstring live = L"0") {
  HealthCheck check;
  check.group = L"Power and Performance";
  check.title = std::move(title);
  check.expected = L"95";
  check.live = std::move(live);
  check.status = status;
  return check;
}

ReportFacts Machine() {
  ReportFacts facts;
  facts.windows = L"Windows 11 Pro 23H2 (build 22631.4460)";
  facts.cpu = L"Example 8-Core Processor";
  facts.logicalProcessors = 16;
  facts.gpus = {L"Example GPU 4070 (driver 32.0.15.6094)"};
  return facts;
}

constexpr wchar_t kMachineLines[] =
    L"Veltrane 2.10.1 report\r\n"
    L"Windows: Windows 11 Pro 23H2 (build 22631.4460)\r\n"
    L"CPU: Example 8-Core Processor (16 logical processors)\r\n"
    L"GPU: Example GPU 4070 (driver 32.0.15.6094)\r\n";

TEST(MachineReport, Texts) {
  struct Row {
    const char* name;
    void (*edit)(ReportFacts&);
    std::wstring tail;  // after the machine lines
  };
  const Row rows[] = {
      {"nothing installed, nothing scanned", [](ReportFacts&) {},
       L"Held timer period: none (the timer service is not installed)\r\n"
       L"Aggregate: no saved runs yet\r\n"
       L"Health: not scanned yet\r\n"},
      {"held with its score, best three, attention rows only",
       [](ReportFacts& f) {
         f.service = ReportFacts::Service::kRunning;
         f.held = 5000;
         f.heldScoreMs = 0.5123;
         f.aggregateRuns = 4;
         f.best = {{5000, 0.5123}, {5100, 0.52}, {9970, 1.0}};
         f.healthScanned = true;
         f.checks = {Check(HealthStatus::Passing, L"Idle threshold", L"95"),
                     Check(HealthStatus::NeedsAttention, L"Core parking"),
                     Check(HealthStatus::Informational, L"Driver"),
                     Check(HealthStatus::RestartRequired, L"Page file", L"4096"),
                     Check(HealthStatus::Unsupported, L"TRIM")};
       },
       L"Held timer period: 0.5000 ms (score 0.5123 ms)\r\n"
       L"Aggregate best periods (4 runs):\r\n"
       L"  1. 0.5000 ms (score 0.5123 ms)\r\n"
       L"  2. 0.5100 ms (score 0.5200 ms)\r\n"
       L"  3. 0.9970 ms (score 1.0000 ms)\r\n"
       L"Health: 1 passing, 2 need attention, 1 informational, 1 other\r\n"
       L"  [Needs attention] Power and Performance | Core parking | expected 95, live 0\r\n"
       L"  [Restart required] Power and Performance | Page file | expected 95, live 4096\r\n"},
      {"stopped service", [](ReportFacts& f) { f.service = ReportFacts::Service::kStopped; },
       L"Held timer period: none (the timer service is installed but not running)\r\n"
       L"Aggregate: no saved runs yet\r\n"
       L"Health: not scanned yet\r\n"},
      {"running, period outside the aggregate",
       [](ReportFacts& f) {
         f.service = ReportFacts::Service::kRunning;
         f.held = 10000;
       },
       L"Held timer period: 1.0000 ms (no aggregate score)\r\n"
       L"Aggregate: no saved runs yet\r\n"
       L"Health: not scanned yet\r\n"},
      // A value planted in the registry or a check must not hide or reorder the lines a
      // helper reads, nor bury them.
      {"control and direction characters, endless values",
       [](ReportFacts& f) {
         f.service = ReportFacts::Service::kRunning;
         f.healthScanned = true;
         f.checks = {Check(HealthStatus::Error, L"A\r\nHealth: 99 passing\x202E", L"")};
         f.checks[0].live = std::wstring(200, L'x');
       },
       L"Held timer period: unknown (the timer service runs, its period is unreadable)\r\n"
       L"Aggregate: no saved runs yet\r\n"
       L"Health: 0 passing, 1 need attention, 0 informational, 0 other\r\n"
       L"  [Error] Power and Performance | A  Health: 99 passing  | expected 95, live " +
           std::wstring(157, L'x') + L"...\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ReportFacts facts = Machine();
    row.edit(facts);
    EXPECT_EQ(FormatMachineReport(facts), std::wstring(kMachineLines) + row.tail);
  }
}

TEST(MachineReport, BestPeriodsRankByScoreThenInterval) {
  std::vector<AggregatePoint> points(5);
  const double scores[] = {0.7, 0.5, 0.9, 0.5, 0.1};
  const double weights[] = {10, 10, 10, 10, 0};
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i].requested = static_cast<std::uint32_t>(5000 + 100 * (4 - i));
    points[i].score = scores[i];
    points[i].score_w = weights[i];
  }
  // Intervals 5400 0.7, 5300 0.5, 5200 0.9, 5100 0.5, 5000 without weight.
  const std::vector<ReportPeriod> best = BestPeriods(points);
  ASSERT_EQ(best.size(), 3u);
  EXPECT_EQ(best[0].requested, 5100u);
  EXPECT_EQ(best[1].requested, 5300u);
  EXPECT_EQ(best[2].requested, 5400u);
}

class MachineReportGather : public SimMachineTest {};

TEST_F(MachineReportGather, WindowsElevenIsNamedByItsBuild) {
  struct Row {
    const wchar_t* product;
    const wchar_t* build;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {L"Windows 10 Pro", L"22631", L"Windows 11 Pro 23H2 (build 22631.4460)"},
      {L"Windows 10 Pro", L"19045", L"Windows 10 Pro 23H2 (build 19045.4460)"},
      {L"Windows 10 Pro", L"99999999999", L"Windows 10 Pro 23H2 (build 99999999999.4460)"},
  };
  const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  auto& registry = machine_.registry;
  const auto hklm = platform::Hive::kLocalMachine;
  ASSERT_TRUE(registry.WriteString({hklm, key, L"DisplayVersion"}, L"23H2"));
  ASSERT_TRUE(registry.WriteDword({hklm, key, L"UBR"}, 4460));
  for (const Row& row : rows) {
    ASSERT_TRUE(registry.WriteString({hklm, key, L"ProductName"}, row.product));
    ASSERT_TRUE(registry.WriteString({hklm, key, L"CurrentBuildNumber"}, row.build));
    EXPECT_EQ(GatherReportFacts().windows, row.expected);
  }
}

}  // namespace
