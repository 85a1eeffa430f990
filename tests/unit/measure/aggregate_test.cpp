// The aggregate curve over saved runs and its files, on the simulated disk.
#include "measure/aggregate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "measure/aggregate_master.h"
#include "measure/aggregate_self_test.h"
#include "measure_fixture.h"

namespace {

const std::wstring kFolder = L"C:\\ProgramData\\Veltrane";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

RunRow Row(std::uint32_t requested, std::uint32_t n, double v) {
  RunRow r;
  r.requested = requested;
  r.loop_n = n;
  r.loop_median = v;
  r.loop_mean = v;
  r.score = v;
  return r;
}

// A run file line with the given columns filled and every other one 0.
std::string RunLine(const char* phase, std::uint32_t requested, std::uint32_t loop_n,
                    std::uint32_t idle_n, double score) {
  std::string line = std::string(phase) + "," + std::to_string(requested) + ",0,0.5";
  for (int col = 4; col < 30; ++col) {
    line += ",";
    if (col == 4)
      line += std::to_string(loop_n);
    else if (col == 15)
      line += std::to_string(idle_n);
    else if (col == 26 || col == 5)
      line += std::to_string(score);
    else
      line += "0";
  }
  return line + "\r\n";
}

class AggregateTest : public MeasureTest {
 protected:
  std::string Read(const std::wstring& name) {
    return machine_.files.ReadAll(kFolder + L"\\" + name).value_or(std::string{});
  }
  void Seed(const std::wstring& name, const std::string& text) {
    machine_.files.Seed(kFolder + L"\\" + name, text);
  }
};

TEST(ParseRunCsvRowTest, RowsByPositionAndTheirValidity) {
  struct Case {
    const char* name;
    std::string line;
    bool valid;
  };
  const std::string header = "phase,requested_units,actual_units,requested_ms,loop_n";
  auto trim = [](std::string s) { return s.substr(0, s.size() - 2); };
  const Case kCases[] = {
      {"sweep row", trim(RunLine("sweep", 5000, 8, 5, 0.1)), true},
      {"verify row", trim(RunLine("verify", 5000, 8, 5, 0.1)), true},
      {"header", header, false},
      {"other phase", trim(RunLine("swept", 5000, 8, 5, 0.1)), false},
      {"zero period", trim(RunLine("sweep", 0, 8, 5, 0.1)), false},
      {"one sample in each pattern", trim(RunLine("sweep", 5000, 1, 1, 0.1)), false},
      {"two idle samples are enough", trim(RunLine("sweep", 5000, 0, 2, 0.1)), true},
      {"26 fields", "sweep,5000" + std::string(24, ','), false},
      {"27 fields with empty numbers", "sweep,5000,,,2" + std::string(22, ','), true},
      {"garbage period", trim(RunLine("sweep", 0, 8, 5, 0.1)).replace(6, 1, "x"), false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseRunCsvRow(c.line).has_value(), c.valid);
  }
  const auto row = ParseRunCsvRow(trim(RunLine("sweep", 5070, 150, 75, 0.25)));
  ASSERT_TRUE(row);
  EXPECT_EQ(row->requested, 5070u);
  EXPECT_EQ(row->loop_n, 150u);
  EXPECT_EQ(row->idle_n, 75u);
  EXPECT_DOUBLE_EQ(row->loop_median, 0.25);
  EXPECT_DOUBLE_EQ(row->score, 0.25);
}

TEST(AggregateFileTest, WrittenValuesReadBackBitIdentical) {
  AggregateMaster master;
  const std::vector<RunRow> rows = {Row(5070, 3, 1.0 / 3), Row(5600, 7, 0.1)};
  FoldRunRows(master, rows);
  const std::string text = FormatAggregate(master);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "requested,runs,loop_w,loop_median_s,loop_mean_s,loop_stdev_s,loop_late_s,"
            "loop_score_s,idle_w,idle_median_s,idle_mean_s,idle_stdev_s,idle_late_s,"
            "idle_score_s,score_w,score_s");
  EXPECT_EQ(text.find('\r'), std::string::npos);
  const AggregateMaster back = ParseAggregate(text);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back.at(5070).loop_median_s, master.at(5070).loop_median_s);
  EXPECT_EQ(back.at(5600).score_s, master.at(5600).score_s);
  EXPECT_EQ(back.at(5600).runs, 1u);
  EXPECT_EQ(FormatAggregate(back), text);
}

TEST(AggregateFileTest, DamagedLinesAreSkipped) {
  const std::string good = "5000,2,10,1,1,0,0,1,0,0,0,0,0,0,10,1";
  struct Case {
    const char* name;
    std::string text;
    std::size_t entries;
  };
  const Case kCases[] = {
      {"header only",
       "requested,runs,loop_w,loop_median_s,loop_mean_s,loop_stdev_s,loop_late_s,loop_score_s,"
       "idle_w,idle_median_s,idle_mean_s,idle_stdev_s,idle_late_s,idle_score_s,score_w,"
       "score_s\n",
       0},
      {"fifteen fields", "5000,2,10,1,1,0,0,1,0,0,0,0,0,0,10\n", 0},
      {"zero interval", "0,2,10,1,1,0,0,1,0,0,0,0,0,0,10,1\n", 0},
      {"not a number interval", "x5000,2,10,1,1,0,0,1,0,0,0,0,0,0,10,1\n", 0},
      {"a NaN total", "5000,2,10,nan,1,0,0,1,0,0,0,0,0,0,10,1\n", 0},
      {"an infinite total", "5000,2,10,1,1,0,0,1,0,0,0,0,0,0,inf,1\n", 0},
      {"a negative weight", "5000,2,-10,1,1,0,0,1,0,0,0,0,0,0,10,1\n", 0},
      {"CR LF and blank lines", "\r\n" + good + "\r\n\r\n", 1},
      {"extra fields ignored, empty ones are 0", "5000,2,10,,1,0,0,1,0,0,0,0,0,0,10,1,zz\n", 1},
      {"two intervals", good + "\n5010,1,10,1,1,0,0,1,0,0,0,0,0,0,10,1", 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseAggregate(c.text).size(), c.entries);
  }
  const AggregateMaster later = ParseAggregate(good + "\n5000,7,1,1,1,0,0,1,0,0,0,0,0,0,1,1\n");
  EXPECT_EQ(later.at(5000).runs, 7u);  // a later line for the same interval replaces
}

TEST(FoldRunRowsTest, NonFiniteStatisticsNeverEnterTheSums) {
  AggregateMaster master;
  RunRow nan_median = Row(5000, 10, 1);
  nan_median.loop_median = kNaN;
  RunRow inf_score = Row(5010, 10, 1);
  inf_score.score = kInf;
  const std::vector<RunRow> rows = {nan_median, inf_score};
  FoldRunRows(master, rows);
  const AggregateEntry& a = master.at(5000);
  EXPECT_EQ(a.loop_w, 10);  // the weight still grows
  EXPECT_EQ(a.loop_median_s, 0);
  EXPECT_EQ(a.loop_mean_s, 10);
  const AggregateEntry& b = master.at(5010);
  EXPECT_EQ(b.score_w, 0);
  EXPECT_EQ(b.score_s, 0);
  EXPECT_EQ(b.runs, 1u);

  // Finite values whose weighted total would overflow are left out like infinities.
  const std::vector<RunRow> huge = {Row(5020, 10, 1e308)};
  FoldRunRows(master, huge);
  EXPECT_EQ(master.at(5020).loop_median_s, 0);
  EXPECT_EQ(master.at(5020).score_w, 10);
  EXPECT_TRUE(std::isfinite(master.at(5020).score_s));
  EXPECT_EQ(ParseAggregate(FormatAggregate(master)).size(), 3u);
}

TEST(FoldRunRowsTest, ARunCountsOncePerIntervalWhateverItsRows) {
  AggregateMaster master;
  RunRow idle_only;
  idle_only.requested = 5000;
  idle_only.idle_n = 4;
  idle_only.idle_mean = 2;
  idle_only.score = 2;
  const std::vector<RunRow> rows = {Row(5000, 10, 1), idle_only, Row(0, 10, 1)};
  FoldRunRows(master, rows);
  ASSERT_EQ(master.size(), 1u);
  const AggregateEntry& e = master.at(5000);
  EXPECT_EQ(e.runs, 1u);
  EXPECT_EQ(e.loop_w, 10);
  EXPECT_EQ(e.idle_w, 4);
  EXPECT_EQ(e.idle_mean_s, 8);
  EXPECT_EQ(e.score_w, 14);
  EXPECT_EQ(e.score_s, 10 + 4 * 2);
}

TEST_F(AggregateTest, SelfTestPassesAndCleansUp) {
  EXPECT_EQ(AggregateSelfTest(), 0);
  // Also where the kernel's finest period (1 ms, as under Wine) is coarser than the rows'.
  machine_.timer.SetRange(156250, 10000, 156250);
  EXPECT_EQ(AggregateSelfTest(), 0);
  EXPECT_EQ(machine_.files.List(L"C:\\ProgramData\\Veltrane", L"*"), std::vector<std::wstring>{});
}

// Links planted at the old scratch names (to the real data folder) are neither written
// through nor emptied, whether the self-test runs elevated or as the user.
TEST_F(AggregateTest, SelfTestLeavesTheDataFilesAloneWhateverIsPlanted) {
  const std::wstring temp = machine_.environment.TempFolder();
  for (const wchar_t* name : {L"VeltraneAggTest", L"VeltraneAggHold"}) {
    machine_.files.SeedLink(temp + name, L"C:\\ProgramData\\Veltrane");
  }
  for (const bool elevated : {true, false}) {
    SCOPED_TRACE(elevated ? "elevated" : "unelevated");
    machine_.environment.SetElevated(elevated);
    machine_.files.Seed(L"C:\\ProgramData\\Veltrane\\aggregate-master.csv", "real totals");
    machine_.files.Seed(L"C:\\ProgramData\\Veltrane\\tune-history.csv", "real history");
    EXPECT_EQ(AggregateSelfTest(), 0);
    EXPECT_EQ(
        machine_.files.ReadAll(L"C:\\ProgramData\\Veltrane\\aggregate-master.csv").value_or("gone"),
        "real totals");
    EXPECT_EQ(
        machine_.files.ReadAll(L"C:\\ProgramData\\Veltrane\\tune-history.csv").value_or("gone"),
        "real history");
  }
}

TEST_F(AggregateTest, SelfTestWithoutATempFolderFailsWithOne) {
  for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
    machine_.environment.UnsetVariable(name);
  }
  // GetTempPathW falls back to the Windows folder, which always exists; the check still
  // runs there. Only an empty answer is "cannot be had".
  EXPECT_EQ(AggregateSelfTest(), 0);
}

TEST_F(AggregateTest, AMissingAggregateIsRebuiltFromEarlierRunFilesFirst) {
  Seed(L"benchmark-20240101-100000.csv",
       "phase,requested_units\r\n" + RunLine("sweep", 5000, 10, 5, 1.0));
  Seed(L"benchmark-20240102-100000.csv", RunLine("verify", 5000, 10, 5, 3.0));
  Seed(L"benchmark-20240103-100000.csv", "no rows here\r\n");
  machine_.files.SeedDirectory(kFolder + L"\\benchmark-folder.csv");
  const std::vector<RunRow> run = {Row(5000, 10, 2.0)};
  FoldRunIntoAggregate(kFolder, run);
  const AggregateView view = LoadAggregateView(kFolder);
  ASSERT_EQ(view.points.size(), 1u);
  EXPECT_EQ(view.points[0].runs, 3u);
  EXPECT_NEAR(view.points[0].score, 2.0, 1e-12);
  ASSERT_FALSE(view.history.empty());
  EXPECT_EQ(view.history[0].area, L"History");
  EXPECT_EQ(view.history[0].message, L"2 earlier timer scans folded into the aggregate");
  // Present now: the run files are not folded again.
  FoldRunIntoAggregate(kFolder, run);
  EXPECT_EQ(LoadAggregateView(kFolder).points[0].runs, 4u);
}

TEST_F(AggregateTest, LoadingWithNothingToFoldLeavesTheAggregateAbsent) {
  Seed(L"benchmark-20240101-100000.csv", RunLine("sweep", 5000, 1, 1, 1.0));
  const AggregateView view = LoadAggregateView(kFolder);
  EXPECT_TRUE(view.points.empty());
  EXPECT_FALSE(machine_.files.Exists(AggregatePath(kFolder)));
  EXPECT_EQ(LowestAggregateScore(kFolder).resolution, 0u);
  EXPECT_EQ(LowestAggregateScore(L"").resolution, 0u);
}

TEST_F(AggregateTest, NewestRunIsTheSweepCurveOfTheLatestFile) {
  Seed(L"benchmark-20240101-100000.csv", RunLine("sweep", 5000, 10, 5, 1.0));
  Seed(L"benchmark-20240105-100000.csv", RunLine("sweep", 5010, 10, 5, 0.5) +
                                             RunLine("sweep", 5020, 10, 5, 0.25) +
                                             RunLine("verify", 5020, 10, 5, 0.125));
  const AggregateView view = LoadAggregateView(kFolder);
  const std::vector<std::pair<std::uint32_t, double>> expected = {{5010, 0.5}, {5020, 0.25}};
  EXPECT_EQ(view.newestRun, expected);
  EXPECT_EQ(view.runs, 1u);
  EXPECT_EQ(view.samples, 15 + 15 + 30);  // the verify row counts for the aggregate
}

// A file's write time, not its name, says which run came last; equal times go to the one
// listed later.
TEST_F(AggregateTest, NewestRunFollowsWriteTimeNotName) {
  struct Case {
    const char* name;
    std::uint64_t early_named_time, late_named_time;
    std::uint32_t expected;
  };
  const Case kCases[] = {
      {"later write wins over a later name", 2, 1, 5000},
      {"later name written later", 1, 2, 5010},
      {"equal times: the later listed", 7, 7, 5010},
  };
  const std::wstring early = L"benchmark-20240101-100000.csv";
  const std::wstring late = L"benchmark-20240105-100000.csv";
  constexpr std::uint64_t kDay = 864000000000;  // 100-ns units
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Seed(early, RunLine("sweep", 5000, 10, 5, 1.0));
    Seed(late, RunLine("sweep", 5010, 10, 5, 0.5));
    const std::uint64_t base = 133000000000000000;  // in 2022
    machine_.files.SetLastWriteTime(std::wstring(kFolder) + L"\\" + early,
                                    base + c.early_named_time * kDay);
    machine_.files.SetLastWriteTime(std::wstring(kFolder) + L"\\" + late,
                                    base + c.late_named_time * kDay);
    const AggregateView view = LoadAggregateView(kFolder);
    ASSERT_EQ(view.newestRun.size(), 1u);
    EXPECT_EQ(view.newestRun[0].first, c.expected);
  }
}

TEST_F(AggregateTest, AFailedWriteLeavesThePreviousFileWhole) {
  const std::vector<RunRow> first = {Row(5000, 10, 1)};
  FoldRunIntoAggregate(kFolder, first);
  const std::string before = Read(L"aggregate-master.csv");
  ASSERT_FALSE(before.empty());
  struct Case {
    const char* name;
    platform::FileOp op;
  };
  for (const Case& c : {Case{"write fails", platform::FileOp::kWrite},
                        Case{"move fails", platform::FileOp::kMove}}) {
    SCOPED_TRACE(c.name);
    machine_.files.FailNext(c.op, support::ErrorCode::kAccessDenied);
    const std::vector<RunRow> second = {Row(5000, 10, 5), Row(6000, 10, 5)};
    FoldRunIntoAggregate(kFolder, second);
    EXPECT_EQ(Read(L"aggregate-master.csv"), before);
    EXPECT_FALSE(machine_.files.Exists(kFolder + L"\\aggregate-master.csv.tmp"));
  }
}

TEST_F(AggregateTest, HistoryLinesAreCleanedCutAndRolled) {
  AppendTuneHistory(kFolder, L"CPU", L"one, two\r\nthree");
  AppendTuneHistory(kFolder, L"", L"no area, no line");
  AppendTuneHistory(L"", L"CPU", L"no folder");
  AppendTuneHistory(kFolder, L"Timer", std::wstring(300, L'x'));
  std::vector<HistoryEntry> history = LoadAggregateView(kFolder).history;
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[1].message, L"one  two  three");
  EXPECT_EQ(history[0].message, std::wstring(240, L'x'));
  EXPECT_EQ(history[0].time, L"2024-05-01 12:00:00");

  // Two lines and 499 more: the last append makes 501, and that append cuts the oldest.
  for (int i = 0; i < 499; ++i) AppendTuneHistory(kFolder, L"Memory", std::to_wstring(i));
  const std::string text = Read(L"tune-history.csv");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 500);
  EXPECT_EQ(text.find("one  two"), std::string::npos);
  history = LoadAggregateView(kFolder).history;
  ASSERT_EQ(history.size(), 500u);
  EXPECT_EQ(history.front().message, L"498");
  EXPECT_EQ(history.back().message, std::wstring(240, L'x'));
}

TEST_F(AggregateTest, HistoryCutNeverSplitsACharacterOutsideTheBasicPlane) {
  // 239 units, then a character that needs two: it does not fit and is left out whole.
  const std::wstring message = std::wstring(239, L'a') + L"\U0001F600" + L"b";
  AppendTuneHistory(kFolder, L"GPU settings", message);
  const std::vector<HistoryEntry> history = LoadAggregateView(kFolder).history;
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].message, std::wstring(239, L'a'));
}

}  // namespace

namespace {

// Writers in other processes exclude each other through a name only administrators can
// create: while another holds it, a fold waits 5 seconds and then leaves the files alone.
TEST_F(AggregateTest, AnotherProcessWorkingOnTheFilesIsWaitedFor) {
  machine_.instance_lock.HoldElsewhereForAdministrators(L"Veltrane", L"Veltrane.DataFiles");
  const std::uint64_t before = machine_.clock.TickCount64();
  const std::vector<RunRow> run = {Row(5000, 10, 2.0)};
  EXPECT_FALSE(FoldRunIntoAggregate(kFolder, run));
  EXPECT_GE(machine_.clock.TickCount64() - before, 5000u);
  EXPECT_FALSE(machine_.files.Exists(kFolder + L"\\aggregate-master.csv"));
  machine_.instance_lock.ReleaseElsewhere(std::wstring(L"Veltrane") + L'\0' +
                                          L"Veltrane.DataFiles");
  EXPECT_TRUE(FoldRunIntoAggregate(kFolder, run));
}

}  // namespace
