#include "gui/chart_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace gui {
namespace {

constexpr std::uint32_t kHalfMs = 5000;  // late above 0.25 ms

int Cell(int row, int column) { return row * kLatticeSize + column; }

std::unique_ptr<ChartSnapshot> Copy(ChartData& data) {
  auto snapshot = std::make_unique<ChartSnapshot>();
  data.CopyInto(*snapshot);
  return snapshot;
}

CandidateView Candidate(std::uint32_t requested, double latePct, double score) {
  CandidateView c;
  c.requested = requested;
  c.hasData = true;
  c.loop = {10, 0.2, 0.3, 0.1025, 0.95, latePct, score};
  c.idle = {5, 0.45, 0.5, 0.1, 1.2, 0, 0};
  c.score = score;
  return c;
}

TEST(ChartDataTest, SampleFillsRingHistogramTotalsAndCell) {
  auto data = std::make_unique<ChartData>();
  data->AddSample(kHalfMs, 0.5, false, 1.5);  // late: the period's share becomes 1
  data->AddSample(kHalfMs, 0.0, true, 2.0);   // on time: share 1/2
  auto s = Copy(*data);
  EXPECT_EQ(s->totals.sampleCount, 2u);
  EXPECT_EQ(s->totals.latestPeriod, kHalfMs);
  EXPECT_FLOAT_EQ(s->ring[1].seconds, 2.0f);
  EXPECT_TRUE(s->ring[1].afterIdle);
  EXPECT_EQ(s->totals.histogram[44], 1u);
  EXPECT_EQ(s->totals.histogram[4], 1u);
  EXPECT_EQ(s->totals.histogramCount, 2u);
  EXPECT_EQ(s->totals.totalLate, 1u);
  const LatticeCell late = s->cells[Cell(27, 127)];
  EXPECT_EQ(late.all, 1);
  EXPECT_EQ(late.backToBack, 1);
  EXPECT_EQ(late.late, 1);
  const LatticeCell idle = s->cells[Cell(2, 64)];
  EXPECT_EQ(idle.all, 1);
  EXPECT_EQ(idle.afterIdle, 1);
  EXPECT_EQ(idle.late, 0);
}

TEST(ChartDataTest, PeriodCountsFreezeTogetherSoTheLateShareHolds) {
  auto data = std::make_unique<ChartData>();
  for (std::uint32_t i = 0; i < kPeriodCountLimit; ++i) data->AddSample(kHalfMs, 0.0, false, 0);
  // Were the late count to run on alone, these would move to column 0.2 x 127 = 25.
  for (int i = 0; i < 200000; ++i) data->AddSample(kHalfMs, 1.0, false, 0);
  auto s = Copy(*data);
  EXPECT_EQ(s->cells[Cell(LatticeRow(1.0), 0)].all, kCellCountLimit);
  for (int column = 1; column < kLatticeSize; ++column) {
    ASSERT_EQ(s->cells[Cell(LatticeRow(1.0), column)].all, 0) << column;
  }
}

TEST(ChartDataTest, CellCountersFreezeTogetherAtTheLimit) {
  auto data = std::make_unique<ChartData>();
  for (int i = 0; i < 70000; ++i) data->AddSample(kHalfMs, 0.0, false, 0);
  for (int i = 0; i < 100; ++i) data->AddSample(kHalfMs, 0.0, true, 0);
  const LatticeCell cell = Copy(*data)->cells[Cell(2, 0)];
  EXPECT_EQ(cell.all, 65535);
  EXPECT_EQ(cell.backToBack, 65535);
  EXPECT_EQ(cell.afterIdle, 0);
}

TEST(ChartDataTest, OnlyANewPassOrTheFirstVerificationClearsThePicture) {
  struct Step {
    const char* name;
    int pass;  // -1: a verification list
    bool clears;
  };
  // Each step that keeps the picture follows one that cleared it, so it holds one sample.
  const Step steps[] = {
      {"first pass", 1, true},          {"same pass again", 1, false},
      {"second pass", 2, true},         {"merged report", 0, false},
      {"first verification", -1, true}, {"later verification", -1, false},
  };
  auto data = std::make_unique<ChartData>();
  std::uint64_t added = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    data->AddSample(kHalfMs, 0.5, false, 0);
    ++added;
    const std::vector<CandidateView> list = {Candidate(kHalfMs, 0, 0.3)};
    if (step.pass >= 0) data->PublishSweep(step.pass, list);
    if (step.pass < 0) data->PublishVerify(list);
    auto s = Copy(*data);
    EXPECT_EQ(s->totals.histogramCount, step.clears ? 0u : 1u);
    EXPECT_EQ(s->totals.totalLate, step.clears ? 0u : 1u);
    EXPECT_EQ(s->cells[Cell(27, 127)].all, step.clears ? 0 : 1);
    EXPECT_EQ(s->totals.sampleCount, added);  // the ring is the run's, not the pass's
  }
}

TEST(ChartDataTest, StatisticsTexelsPackTheShownPattern) {
  auto data = std::make_unique<ChartData>();
  CandidateView idleOnly = Candidate(20000, 0, 0.9);
  idleOnly.loop.count = 0;
  idleOnly.idle.latePct = 100;
  data->PublishSweep(1, {Candidate(5000, 50, 0.3), Candidate(6000, 50.2, 0.4), idleOnly});
  auto s = Copy(*data);
  const StatTexels& mid = s->stats[64];  // both 50% candidates; the later one wins
  EXPECT_NEAR(mid.levels[0], 0.25 / 2.05 * 0.8, 1e-6);
  EXPECT_NEAR(mid.levels[1], 0.50 / 2.05 * 0.8, 1e-6);
  EXPECT_NEAR(mid.levels[2], 1.00 / 2.05 * 0.8, 1e-6);
  EXPECT_NEAR(mid.levels[3], 0.04, 1e-6);
  EXPECT_FLOAT_EQ(mid.score[0], 0.4f);
  EXPECT_NEAR(mid.score[1], 0.502, 1e-6);
  EXPECT_FLOAT_EQ(mid.score[2], 1.0f);
  const StatTexels& idle = s->stats[127];
  EXPECT_NEAR(idle.levels[0], 0.50 / 2.05 * 0.8, 1e-6);
  EXPECT_NEAR(idle.levels[2], 1.25 / 2.05 * 0.8, 1e-6);
  EXPECT_FLOAT_EQ(idle.score[1], 1.0f);
  EXPECT_FLOAT_EQ(s->stats[0].score[2], 0.0f);
}

// Whatever the order of samples, lists and copies, a snapshot kept up to date by deltas
// equals a fresh full copy.
TEST(ChartDataTest, DeltaCopiesMatchAFullCopy) {
  std::mt19937 random(20);
  std::uniform_real_distribution<double> overshoot(-0.2, 3.0);
  for (int machine = 0; machine < 20; ++machine) {
    auto data = std::make_unique<ChartData>();
    auto kept = std::make_unique<ChartSnapshot>();
    int pass = 0;
    for (int op = 0; op < 3000; ++op) {
      const unsigned roll = random() % 1000;
      if (roll < 2)
        data->PublishSweep(++pass, {Candidate(5000 + pass, roll, 1)});
      else if (roll < 3)
        data->PublishVerify({Candidate(7000, 10, 1)});
      else if (roll < 4)
        data->Reset();
      else if (roll < 60)
        data->CopyInto(*kept);
      else
        data->AddSample(1000 * (1 + random() % 12), overshoot(random), random() % 2, op);
    }
    data->CopyInto(*kept);
    auto fresh = Copy(*data);
    ASSERT_EQ(kept->totals.sampleCount, fresh->totals.sampleCount);
    const std::uint64_t valid = std::min<std::uint64_t>(fresh->totals.sampleCount, kRingSize);
    for (std::uint64_t k = fresh->totals.sampleCount - valid; k < fresh->totals.sampleCount; ++k) {
      ASSERT_EQ(kept->ring[k % kRingSize].overshootMs, fresh->ring[k % kRingSize].overshootMs);
    }
    ASSERT_EQ(kept->totals.histogram, fresh->totals.histogram);
    for (int i = 0; i < kLatticeCells; ++i) {
      ASSERT_EQ(kept->cells[i].all, fresh->cells[i].all) << machine << " cell " << i;
      ASSERT_EQ(kept->cells[i].late, fresh->cells[i].late);
    }
    ASSERT_EQ(kept->stats[0].score, fresh->stats[0].score);
  }
}

}  // namespace
}  // namespace gui
