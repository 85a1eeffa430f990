#include "measure/run_csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "measure/csv_text.h"
#include "measure/run_row.h"
#include "measure_fixture.h"

namespace {

Candidate MeasuredCandidate() {
  Candidate c = NewCandidate(5070);
  c.actual = 5070;
  c.loopSamples = {0.01, 0.02, 0.03, 0.52};
  c.idleSamples = {0.02, 0.04};
  c.dropped = 3;
  Rescore(c, 0.5, 2);
  return c;
}

TEST(RunCsvTest, HeaderHasThirtyColumnsAndNamesCleanThreeTimes) {
  EXPECT_EQ(RunCsvHeader(),
            "phase,requested_units,actual_units,requested_ms,"
            "loop_n,loop_median_ms,loop_mean_ms,loop_stdev_ms,loop_p1_ms,loop_p95_ms,"
            "loop_p99_ms,loop_max_ms,loop_late_pct,loop_score_ms,loop_clean,"
            "idle_n,idle_median_ms,idle_mean_ms,idle_stdev_ms,idle_p1_ms,idle_p95_ms,"
            "idle_p99_ms,idle_max_ms,idle_late_pct,idle_score_ms,idle_clean,"
            "score_ms,clean,dropped,interferer_units\r\n");
}

TEST(RunCsvTest, RowsKeepTheirFormatsAndReadBackByPosition) {
  const Candidate c = MeasuredCandidate();
  const std::string row = FormatCsvRow("verify", c);
  ASSERT_TRUE(row.ends_with("\r\n"));
  const std::string line = row.substr(0, row.size() - 2);
  const auto f = SplitFields(line);
  ASSERT_EQ(f.size(), 30u);
  EXPECT_EQ(f[0], "verify");
  EXPECT_EQ(f[1], "5070");
  EXPECT_EQ(f[2], "5070");
  EXPECT_EQ(f[3], "0.5070");
  EXPECT_EQ(f[4], "4");
  EXPECT_EQ(f[5], "0.02000");  // median, five decimals
  EXPECT_EQ(f[12], "25.000");  // late %, three decimals
  EXPECT_EQ(f[14], "0");
  EXPECT_EQ(f[28], "3");
  EXPECT_EQ(f[29], "0");
  const auto parsed = ParseRunCsvRow(line);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->loop_n, 4u);
  EXPECT_EQ(parsed->idle_n, 2u);
  EXPECT_NEAR(parsed->score, c.score, 1e-5);
}

TEST(RunCsvTest, AMaskedCandidateIsAZeroRowWithItsInterferer) {
  Candidate c = NewCandidate(5300);
  c.interferer = 5200;
  c.skippedPasses = 3;
  const std::string row = FormatCsvRow("sweep", c);
  EXPECT_EQ(row,
            "sweep,5300,0,0.5300,0,0.00000,0.00000,0.00000,0.00000,0.00000,0.00000,0.00000,"
            "0.000,0.00000,0,0,0.00000,0.00000,0.00000,0.00000,0.00000,0.00000,0.00000,0.000,"
            "0.00000,0,0.00000,0,0,5200\r\n");
  EXPECT_FALSE(ParseRunCsvRow(row.substr(0, row.size() - 2)));
}

class RunCsvFileTest : public MeasureTest {};

TEST_F(RunCsvFileTest, PathIsStampedAndTheFileIsHeaderSweepThenVerify) {
  machine_.clock.SetLocalTime({2025, 3, 7, 9, 5, 1});
  const std::wstring path = RunCsvPath();
  EXPECT_EQ(path, L"C:\\ProgramData\\Veltrane\\benchmark-20250307-090501.csv");
  const std::vector<Candidate> sweep = {MeasuredCandidate(), NewCandidate(5080)};
  const std::vector<Candidate> verify = {MeasuredCandidate()};
  WriteRunCsv(path, sweep, verify);
  const std::string text = machine_.files.ReadAll(path).value_or("");
  EXPECT_EQ(text, RunCsvHeader() + FormatCsvRow("sweep", sweep[0]) +
                      FormatCsvRow("sweep", sweep[1]) + FormatCsvRow("verify", verify[0]));
}

TEST_F(RunCsvFileTest, AFileThatCannotBeMadeIsSilentlySkipped) {
  machine_.files.FailNext(platform::FileOp::kWrite, support::ErrorCode::kAccessDenied);
  const std::wstring path = RunCsvPath();
  WriteRunCsv(path, std::vector<Candidate>{MeasuredCandidate()}, {});
  EXPECT_FALSE(machine_.files.Exists(path));
}

}  // namespace
