#include "health/health_summary.h"

#include <gtest/gtest.h>

#include <vector>

#include "health/health_self_test.h"

namespace {

using S = HealthStatus;

TEST(SummarizeHealthTest, CountsAndText) {
  struct Case {
    const char* name;
    std::vector<S> statuses;
    int passing, attention, informational, other;
    const wchar_t* text;
  };
  const Case kCases[] = {
      {"one attention item",
       {S::Passing, S::NeedsAttention},
       1,
       1,
       0,
       0,
       L"1 item need attention."},
      {"errors and restarts count as attention",
       {S::Error, S::RestartRequired},
       0,
       2,
       0,
       0,
       L"2 items need attention."},
      {"all passing", {S::Passing, S::Informational}, 1, 0, 1, 0, L"Nothing needs attention."},
      {"nothing at all", {}, 0, 0, 0, 0, L"Nothing needs attention."},
      {"unknown and inaccessible",
       {S::Passing, S::Unknown, S::Inaccessible},
       1,
       0,
       0,
       2,
       L"No drifted tweaks. Some checks could not be completed."},
      {"disabled is other, never attention",
       {S::Disabled, S::Unsupported},
       0,
       0,
       0,
       2,
       L"No drifted tweaks. Some checks could not be completed."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<HealthCheck> checks;
    for (S status : c.statuses) {
      HealthCheck check;
      check.status = status;
      checks.push_back(check);
    }
    const HealthSummary s = SummarizeHealth(checks);
    EXPECT_EQ(s.passing, c.passing);
    EXPECT_EQ(s.attention, c.attention);
    EXPECT_EQ(s.informational, c.informational);
    EXPECT_EQ(s.other, c.other);
    EXPECT_EQ(s.text, c.text);
  }
}

TEST(HealthRuleSelfTestTest, Passes) { EXPECT_EQ(HealthRuleSelfTest(), 0); }

TEST(HealthStatusNameTest, NamesShown) {
  EXPECT_STREQ(HealthStatusName(S::NeedsAttention), L"Needs attention");
  EXPECT_STREQ(HealthStatusName(S::RestartRequired), L"Restart required");
  EXPECT_EQ(static_cast<int>(S::RestartRequired), 8);
}

}  // namespace
