// Wildcards as FindFirstFileW matches them.
#include "platform/sim/sim_text.h"

#include <gtest/gtest.h>

namespace platform::sim {
namespace {

TEST(SimTextTest, PatternsMatchLikeFindFirstFile) {
  struct Case {
    const char* name;
    const wchar_t* file;
    const wchar_t* pattern;
    bool match;
  };
  const Case kCases[] = {
      {"star run", L"benchmark-20240501-120000.csv", L"benchmark-*.csv", true},
      {"case ignored", L"BENCHMARK-1.CSV", L"benchmark-*.csv", true},
      {"suffix differs", L"benchmark-1.csv.tmp", L"benchmark-*.csv", false},
      {"question mark is one character", L"a1.txt", L"a?.txt", true},
      {"question mark needs a character", L"a.txt", L"a?.txt", false},
      {"back-tracking star", L"a.b.c.csv", L"*.csv", true},
      {"star.star takes names without a dot", L"README", L"*.*", true},
      {"two stars", L"x-y-z", L"*-*", true},
      {"exact", L"Veltrane.log", L"veltrane.LOG", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MatchesPattern(c.file, c.pattern), c.match);
  }
}

}  // namespace
}  // namespace platform::sim
