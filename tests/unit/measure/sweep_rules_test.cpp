#include "measure/sweep_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A candidate with data, its score, back-to-back median and verdict set directly.
Candidate Measured(std::uint32_t requested, double score, bool clean = false,
                   double median = 0.05) {
  Candidate c = NewCandidate(requested);
  c.loopSamples = {median, median};
  c.idleSamples = {median, median};
  c.score = score;
  c.clean = clean;
  c.loopStats.median = median;
  return c;
}

Candidate Masked(std::uint32_t requested) { return NewCandidate(requested); }

TEST(SmoothScoresTest, WindowOfFiveCutAtTheEndsAndSkippingEmptyCandidates) {
  const std::vector<Candidate> c = {Measured(5000, 1), Measured(5010, 2), Masked(5020),
                                    Measured(5030, 6), Measured(5040, 9)};
  const std::vector<double> s = SmoothScores(c);
  ASSERT_EQ(s.size(), 5u);
  EXPECT_DOUBLE_EQ(s[0], (1 + 2) / 2.0);      // indices 0..2, the masked one left out
  EXPECT_DOUBLE_EQ(s[1], (1 + 2 + 6) / 3.0);  // 0..3
  EXPECT_DOUBLE_EQ(s[2], kNoScore);           // no data of its own
  EXPECT_DOUBLE_EQ(s[3], (2 + 6 + 9) / 3.0);  // 1..4
  EXPECT_DOUBLE_EQ(s[4], (6 + 9) / 2.0);      // 2..4
}

TEST(FindBestMeasuredTest, LowestSmoothedScoreWithTheLongerPeriodOnATie) {
  struct Case {
    const char* name;
    std::vector<double> smoothed;
    std::optional<std::size_t> best;
  };
  const Case kCases[] = {
      {"plain minimum", {3, 1, 2}, 1},
      {"tie goes to the longer period", {1, 2, 1, 3}, 2},
      {"unmeasured never wins", {kNoScore, kNoScore}, std::nullopt},
      {"empty", {}, std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindBestMeasured(c.smoothed), c.best);
  }
}

TEST(FindFirstCleanTest, NeedsTwoCleanNeighboursWhereTheyExist) {
  struct Case {
    const char* name;
    std::vector<bool> clean;
    std::optional<std::size_t> first;
    std::optional<std::size_t> last_miss;
  };
  const Case kCases[] = {
      {"clean run of three", {false, true, true, true, true}, 1, 0},
      {"a clean period whose next neighbour misses does not count",
       {true, false, true, true, true},
       2,
       1},
      {"the last two only need the neighbours that exist", {false, false, false, true, true}, 3, 2},
      {"last alone", {false, false, false, false, true}, 4, 3},
      {"none clean", {false, false, false}, std::nullopt, std::nullopt},
      {"clean from the start: no misses anywhere", {true, true, true}, 0, std::nullopt},
      // Two clean neighbours are not enough: the miss at 2 must come before the run.
      {"a miss after two clean periods starts the run again",
       {true, true, false, true, true, true},
       3,
       2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < c.clean.size(); ++i) {
      candidates.push_back(Measured(5000 + 10 * static_cast<std::uint32_t>(i), 1, c.clean[i]));
    }
    const auto first = FindFirstClean(candidates);
    EXPECT_EQ(first, c.first);
    if (first) {
      EXPECT_EQ(FindLastMiss(candidates, *first), c.last_miss);
    }
  }
}

TEST(FindFirstCleanTest, ACleanPeriodFarAboveTheBestCleanMedianStillMisses) {
  // 5000 is clean with a 0.05 ms median; 5010 is "clean" but typically wakes a whole
  // tick later (0.6 ms > 0.5 x 0.501 + 0.05), so it does not count as never missing.
  std::vector<Candidate> c = {Measured(5000, 1, true, 0.05), Measured(5010, 1, true, 0.6),
                              Measured(5020, 1, true, 0.05), Measured(5030, 1, true, 0.05),
                              Measured(5040, 1, true, 0.05)};
  EXPECT_EQ(FindFirstClean(c), 2u);
  EXPECT_EQ(FindLastMiss(c, 2), 1u);
  EXPECT_EQ(TransitionWidth(c, 2, 1), 10u);
}

TEST(FindLastMissTest, UnmeasuredCandidatesAreWalkedOver) {
  std::vector<Candidate> c = {
      Measured(5000, 1, false), Masked(5010),           Masked(5020), Measured(5030, 1, true),
      Measured(5040, 1, true),  Measured(5050, 1, true)};
  ASSERT_EQ(FindFirstClean(c), 3u);
  EXPECT_EQ(FindLastMiss(c, 3), 0u);
  EXPECT_EQ(TransitionWidth(c, 3, 0), 30u);
  EXPECT_EQ(TransitionWidth(c, 3, std::nullopt), 0u);
}

TEST(ChooseMarginTest, TheWidthWithinItsBoundsUnlessTheUserChose) {
  struct Case {
    const char* name;
    std::uint32_t user;
    bool set;
    std::uint32_t width;
    std::uint32_t margin;
    const wchar_t* suffix;
    bool warn;
  };
  const Case kCases[] = {
      {"no band", 0, false, 0, 50, L" (minimum)", false},
      {"at the minimum", 0, false, 50, 50, L" (minimum)", false},
      {"inside", 0, false, 51, 51, L" (= transition width)", false},
      {"just under the cap", 0, false, 299, 299, L" (= transition width)", false},
      {"at the cap, no warning", 0, false, 300, 300, L" (= transition width)", false},
      {"above the cap warns", 0, false, 301, 300, L" (= transition width)", true},
      {"user margin wins", 0, true, 900, 0, L" (--margin)", false},
      {"user margin kept as given", 1234, true, 10, 1234, L" (--margin)", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const MarginChoice m = ChooseMargin(c.user, c.set, c.width);
    EXPECT_EQ(m.margin, c.margin);
    EXPECT_STREQ(m.suffix, c.suffix);
    EXPECT_EQ(m.capped, c.warn);
  }
}

}  // namespace
