// The status rules and the report parsers, as tables.
#include "health/health_rules.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"
#include "health/fixed_checks.h"

namespace {

using S = HealthStatus;

class HealthRulesTest : public SimMachineTest {};

TEST_F(HealthRulesTest, RuleA) {
  struct Case {
    bool disabled, readOk, live;
    S status;
    int severity;
    bool keepsRepair;
    const wchar_t* explanationStart;
  };
  const Case kCases[] = {
      {true, false, false, S::Disabled, 0, false, L"This check is turned off in Settings. Veltrane"},
      {true, true, true, S::Disabled, 0, false, L"This check is turned off"},
      {false, false, true, S::Inaccessible, 1, true, L"The live value could not be read."},
      {false, true, false, S::NeedsAttention, 1, true, L"Not live. The setting has changed"},
      {false, true, true, S::Passing, 0, false, L"Live. This tweak is currently applied."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.disabled << c.readOk << c.live);
    HealthCheck check = NewHealthCheck(L"x.y", L"G", L"T", L"timer");
    ApplyRuleA(check, c.disabled, c.readOk, c.live);
    EXPECT_EQ(check.status, c.status);
    EXPECT_EQ(check.severity, c.severity);
    EXPECT_EQ(check.repairStep, c.keepsRepair ? L"timer" : L"");
    EXPECT_EQ(check.explanation.rfind(c.explanationStart, 0), 0u) << check.explanation;
  }
}

TEST_F(HealthRulesTest, RuleB) {
  struct Case {
    RuleBInput in;  // disabled, readOk, live, unsupported, stepWanted
    S status;
    bool keepsRepair;
  };
  const Case kCases[] = {
      {{true, true, false, true, true}, S::Disabled, false},
      {{false, false, false, true, true}, S::Unsupported, false},
      {{false, true, true, false, false}, S::Passing, false},
      {{false, true, false, false, true}, S::NeedsAttention, true},
      {{false, true, false, false, false}, S::Informational, false},
      {{false, false, false, false, true}, S::Inaccessible, true},
      {{false, false, false, false, false}, S::Inaccessible, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.status));
    HealthCheck check = NewHealthCheck(L"power.X", L"G", L"T", L"ppm");
    ApplyRuleB(check, c.in);
    EXPECT_EQ(check.status, c.status);
    EXPECT_EQ(check.repairStep, c.keepsRepair ? L"ppm" : L"");
  }
}

TEST_F(HealthRulesTest, RecordTakesTheTimeItWasMade) {
  const std::uint64_t before = machine_.clock.UtcFileTime();
  machine_.clock.Advance(1500);
  const HealthCheck check = NewHealthCheck(L"a", L"b", L"c", L"");
  EXPECT_EQ(check.checkedAt - before, 15000000u);
}

TEST(TrimReportTest, NtfsLineDecides) {
  struct Case {
    const wchar_t* report;
    int disabled;
  };
  const Case kCases[] = {
      {L"NTFS DisableDeleteNotify = 0  (Allows TRIM operations to be sent to the storage device)\r\n"
       L"ReFS DisableDeleteNotify = 1  (Disallows TRIM operations to be sent to the storage device)\r\n",
       0},
      // "= 0" occurs (ReFS), but NTFS has TRIM off.
      {L"NTFS DisableDeleteNotify = 1  (Disallows TRIM)\r\nReFS DisableDeleteNotify = 0  (Allows TRIM)\r\n",
       1},
      {L"DisableDeleteNotify = 1\r\n", 1},
      {L"DisableDeleteNotify = 0\r\n", 0},
      {L"ReFS DisableDeleteNotify = 0  (Allows TRIM)\r\n", -1},
      {L"NTFS DisableDeleteNotify is not currently set\r\nReFS DisableDeleteNotify = 0\r\n", -1},
      {L"Error:  Access is denied. = 0\r\n", -1},
      {L"NTFS DisableDeleteNotify = 10\r\n", -1},
      {L"", -1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << support::ToUtf8(c.report));
    EXPECT_EQ(ParseDisableDeleteNotify(c.report), c.disabled);
  }
}

TEST(PowerShellReportTest, OnlyAWholeLineCounts) {
  struct Case {
    const wchar_t* report;
    int value;
  };
  const Case kCases[] = {
      {L"True\r\n", 1},
      {L"False\r\n", 0},
      {L"\r\n  False  \r\n", 0},
      {L"Get-MMAgent : Access denied. True or False could not be read.\r\n", -1},
      {L"TrueFalse", -1},
      {L"", -1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << support::ToUtf8(c.report));
    EXPECT_EQ(ParsePowerShellBool(c.report), c.value);
  }
}

}  // namespace
