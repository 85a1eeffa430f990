#include "measure/selection.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Candidate Scored(std::uint32_t requested, double score) {
  Candidate c = NewCandidate(requested);
  c.loopSamples = {score, score};
  c.idleSamples = {score, score};
  c.score = score;
  return c;
}

TEST(SelectFinalistTest, LowestEligibleScoreThenLongerWithinThreePercent) {
  struct Case {
    const char* name;
    std::vector<Candidate> finalists;
    std::uint32_t target;
    std::optional<std::size_t> winner;
  };
  const Case kCases[] = {
      {"within 3 % the longer period wins", {Scored(5050, 0.300), Scored(5060, 0.305)}, 5050, 1},
      {"beyond 3 % the shorter stays", {Scored(5050, 0.300), Scored(5060, 0.310)}, 5050, 0},
      {"below the target is evidence only",
       {Scored(5000, 0.100), Scored(5050, 0.300), Scored(5060, 0.400)},
       5050,
       1},
      {"a longer period below the target is not preferred",
       {Scored(5000, 0.300), Scored(5010, 0.300)},
       5050,
       0},
      {"all below the target: the lowest anyway",
       {Scored(5000, 0.200), Scored(5010, 0.100), NewCandidate(5050)},
       5050,
       1},
      {"equal scores keep the shorter before the 3 % rule, which then moves up",
       {Scored(5050, 0.3), Scored(5060, 0.3), Scored(5070, 0.3)},
       5050,
       2},
      {"the 3 % rule chains against the new winner",
       {Scored(5050, 0.3000), Scored(5060, 0.3080), Scored(5070, 0.3170)},
       5050,
       2},
      {"nothing measured", {NewCandidate(5050), NewCandidate(5060)}, 5050, std::nullopt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SelectFinalist(c.finalists, c.target), c.winner);
  }
}

TEST(PickFinalistsTest, EvidenceFirstThenLowestScoresUpToSix) {
  // Scores fall towards 5040 then rise; 5020 is masked.
  std::vector<Candidate> c;
  const double scores[] = {0.9, 0.8, 0, 0.4, 0.1, 0.2, 0.3, 0.35, 0.5, 0.6};
  for (int i = 0; i < 10; ++i) {
    const auto period = static_cast<std::uint32_t>(5000 + 10 * i);
    c.push_back(i == 2 ? NewCandidate(period) : Scored(period, scores[i]));
  }
  // Target 6, best 4, first clean 3: picks 6, 4, 7, 3, then the lowest others (5, 8).
  EXPECT_EQ(PickFinalists(c, 6, 4, 3, 6), (std::vector<std::size_t>{3, 4, 5, 6, 7, 8}));
  // A masked candidate is never a finalist, even as the best's neighbour.
  EXPECT_EQ(PickFinalists(c, 3, 3, std::nullopt, 3), (std::vector<std::size_t>{3, 4, 5}));
  // Fewer candidates with data than places.
  std::vector<Candidate> few = {Scored(5000, 1), NewCandidate(5010), Scored(5020, 2)};
  EXPECT_EQ(PickFinalists(few, 2, 0, std::nullopt, 6), (std::vector<std::size_t>{0, 2}));
}

TEST(PickFinalistsTest, EqualScoresFillWithTheLongerPeriodFirst) {
  std::vector<Candidate> c = {Scored(5000, 0.5), Scored(5010, 0.1), Scored(5020, 0.5),
                              Scored(5030, 0.5)};
  // Evidence: target 1, best 1, target + 1 = 2, best - 1 = 0; one place left among the
  // equal 0.5 scores goes to the longest, 5030.
  EXPECT_EQ(PickFinalists(c, 1, 1, std::nullopt, 4), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(PickFinalists(c, 1, 1, std::nullopt, 2), (std::vector<std::size_t>{1, 2}));
  std::vector<Candidate> d = {Scored(5000, 0.5), Scored(5010, 0.1), Scored(5020, 0.5),
                              Scored(5030, 0.5), Scored(5040, 0.5)};
  EXPECT_EQ(PickFinalists(d, 1, 1, std::nullopt, 4), (std::vector<std::size_t>{0, 1, 2, 4}));
}

}  // namespace
