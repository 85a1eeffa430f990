// The data files as a hostile user may have left them: unreadable, oversized, or with
// names planted where the program writes its temporary files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "measure/aggregate.h"
#include "measure/aggregate_master.h"
#include "measure/tune_history.h"
#include "measure_fixture.h"

namespace {

const std::wstring kFolder = L"C:\\ProgramData\\Veltrane";
const std::wstring kAggregate = kFolder + L"\\aggregate-master.csv";
const std::wstring kHistory = kFolder + L"\\tune-history.csv";

class DataFileTest : public MeasureTest {
 protected:
  std::string Read(const std::wstring& path) {
    return machine_.files.ReadAll(path).value_or(std::string{});
  }
  // A line of the aggregate file: `runs` runs, 10 samples, the given mean score.
  static std::string AggregateLine(std::uint32_t requested, std::uint32_t runs, double score) {
    return std::to_string(requested) + "," + std::to_string(runs) +
           ",10,0,0,0,0,0,0,0,0,0,0,0,10," + std::to_string(10 * score) + "\n";
  }
  static std::vector<RunRow> OneRow() {
    RunRow r;
    r.requested = 5000;
    r.loop_n = 10;
    r.idle_n = 10;
    r.score = 1;
    return {r};
  }
};

// A file that is there but cannot be used is never taken for an empty one: neither the
// fold nor the history append replaces it, and both say so.
TEST_F(DataFileTest, AFileThatCannotBeReadIsLeftWholeAndReported) {
  struct Case {
    const char* name;
    bool history;    // else the aggregate
    bool oversized;  // else the read is refused
  };
  const Case kCases[] = {
      {"aggregate read refused", false, false},
      {"aggregate above the size cap", false, true},
      {"history read refused", true, false},
      {"history above the size cap", true, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::wstring& path = c.history ? kHistory : kAggregate;
    const std::string saved =
        c.oversized ? std::string(5u << 20, '#') : AggregateLine(5000, 3, 0.25);
    machine_.files.Seed(path, saved);
    if (!c.oversized) {
      machine_.files.FailNext(platform::FileOp::kRead, support::ErrorCode::kAccessDenied);
    }
    if (c.history) {
      AppendTuneHistory(kFolder, L"Timer", L"a line");
    } else {
      EXPECT_FALSE(FoldRunIntoAggregate(kFolder, OneRow()));
    }
    EXPECT_EQ(Read(path), saved);
    const std::wstring expected =
        c.oversized ? L"is too large to be ours; it was left as it is."
                    : L"(error 5); it was left as it is.";
    EXPECT_TRUE(LogHas(expected));
    (void)machine_.files.Delete(path);
  }
  EXPECT_TRUE(LogHas(L"is larger than 4194304 bytes; it is treated as damaged and left alone."));
}

// The temporary file of a replacement is a name nobody else made; a planted file or
// folder costs a try, never the save, and a failed move is reported.
TEST_F(DataFileTest, ReplacementsUseFreshNamesAndReportAFailedMove) {
  machine_.files.SeedDirectory(kAggregate + L".tmp");
  machine_.files.Seed(kHistory + L".tmp", "planted");
  EXPECT_TRUE(FoldRunIntoAggregate(kFolder, OneRow()));
  AppendTuneHistory(kFolder, L"Timer", L"saved");
  EXPECT_EQ(Read(kAggregate).substr(0, 9), "requested");
  EXPECT_NE(Read(kHistory).find(",Timer,saved\n"), std::string::npos);
  EXPECT_EQ(Read(kHistory + L".tmp"), "planted");
  // Only the aggregate, the history, the log and the two planted names remain.
  EXPECT_EQ(machine_.files.List(kFolder, L"*.tmp").size(), 1u);

  const std::string before = Read(kAggregate);
  machine_.files.FailNext(platform::FileOp::kMove, support::ErrorCode::kAccessDenied);
  EXPECT_FALSE(FoldRunIntoAggregate(kFolder, OneRow()));
  EXPECT_EQ(Read(kAggregate), before);
  EXPECT_TRUE(LogHas(L"ERROR: Could not update C:\\ProgramData\\Veltrane\\aggregate-master.csv "
                     L"(error 5); it was left as it is."));
  EXPECT_EQ(machine_.files.List(kFolder, L"*.tmp").size(), 1u);
}

// Only finite scores of at least 0 at periods the kernel can run are ever chosen.
TEST_F(DataFileTest, TheAggregateChoiceSkipsRowsOutsideTheKernelsRange) {
  struct Case {
    const char* name;
    std::uint32_t requested;
    double score;
    std::uint32_t chosen;
  };
  const Case kCases[] = {
      {"a sound lowest row is chosen", 5010, 0.125, 5010},
      {"below the kernel's finest", 4000, 0.125, 5070},
      {"above the kernel's coarsest", 200000, 0.125, 5070},
      {"a negative score", 5010, -0.5, 5070},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.files.Seed(kAggregate, "requested,runs\n" + AggregateLine(c.requested, 2, c.score) +
                                        AggregateLine(5070, 2, 0.5));
    EXPECT_EQ(LowestAggregateScore(kFolder).resolution, c.chosen);
  }
}

}  // namespace
