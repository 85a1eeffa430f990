// Home's last-scan lattice rebuilt from a run file: which cells each row fills, what a
// damaged or hostile row does, and which file is read when.
#include "gui/last_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_machine.h"

namespace gui {
namespace {

// A run file line: every column 0 except the named ones, given as text so a row can carry
// "nan", "inf" or a count that overflows.
std::string Line(const char* phase, const char* loopN, const char* loopMedian, const char* loopLate,
                 const char* idleN = "0", const char* idleMedian = "0", const char* idleLate = "0",
                 const char* loopP99 = "0") {
  std::string line = std::string(phase) + ",5000,5000,0.5000";
  for (int col = 4; col < 30; ++col) {
    const char* v = col == 4    ? loopN
                    : col == 5  ? loopMedian
                    : col == 10 ? loopP99
                    : col == 12 ? loopLate
                    : col == 15 ? idleN
                    : col == 16 ? idleMedian
                    : col == 23 ? idleLate
                                : "0";
    line += std::string(",") + v;
  }
  return line + "\r\n";
}

struct Cell {
  int row, column;
  LatticeCell expected;
};

TEST(GuiLastScan, RowsReplayIntoTheCellsOfTheirLateShareAndLatency) {
  // Rows by hand: median 0.46 ms is L = 0.51 / 2.05 x 0.8 = 0.1990, row int(25.28 + 0.5) = 25;
  // 2 ms is L = 0.8, row int(101.6 + 0.5) = 102; a 50 % late share is column
  // int(63.5 + 0.5) = 64; NaN lands on row 0 and column 0; inf and 1e30 on 127.
  struct Case {
    const char* name;
    std::string text;
    std::uint32_t rows;
    std::uint64_t samples;
    std::uint32_t late;
    std::vector<Cell> cells;
  };
  const Case cases[] = {
      {"both patterns",
       "phase,requested_units\r\n" + Line("sweep", "100", "0.46", "0", "10", "2.0", "50"),
       1,
       110,
       5,
       {{25, 0, {100, 100, 0, 0}}, {102, 64, {10, 0, 10, 5}}}},
      {"a cell freezes at 65535, all its counters together",
       Line("sweep", "70000", "0.46", "100") + Line("verify", "5", "0.46", "100"),
       2,
       70005,
       70005,
       {{25, 127, {65535, 65535, 0, 65535}}}},
      {"NaN and inf land on edges",
       Line("sweep", "7", "nan", "nan") + Line("sweep", "3", "inf", "1e30"),
       2,
       10,
       3,
       {{0, 0, {7, 7, 0, 0}}, {127, 127, {3, 3, 0, 3}}}},
      {"an overflowing count reads as 0 and the row is skipped",
       Line("sweep", "99999999999", "0.46", "0"),
       0,
       0,
       0,
       {}},
      {"short, foreign and empty lines are skipped",
       "sweep,5000,5000\r\nverify\r\n\r\nfoo," + Line("sweep", "9", "0.46", "0"),
       0,
       0,
       0,
       {}},
  };
  auto picture = std::make_unique<ChartSnapshot>();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    picture->cells[5].all = 9;  // left from an earlier replay: must not survive
    EXPECT_EQ(ReplayRunRows(c.text, *picture), c.rows);
    EXPECT_EQ(picture->totals.sampleCount, c.samples);
    EXPECT_EQ(picture->totals.totalLate, c.late);
    int filled = 0;
    for (const LatticeCell& cell : picture->cells) filled += cell.all > 0 ? 1 : 0;
    EXPECT_EQ(filled, static_cast<int>(c.cells.size()));
    for (const Cell& e : c.cells) {
      const LatticeCell& got = picture->cells[static_cast<std::size_t>(e.row * 128 + e.column)];
      EXPECT_EQ(got.all, e.expected.all) << e.row << "," << e.column;
      EXPECT_EQ(got.backToBack, e.expected.backToBack);
      EXPECT_EQ(got.afterIdle, e.expected.afterIdle);
      EXPECT_EQ(got.late, e.expected.late);
    }
  }
}

TEST(GuiLastScan, AFinalistsVerifiedFiguresTakeItsStatisticsColumn) {
  auto picture = std::make_unique<ChartSnapshot>();
  // Both at 0 % late (column 0); the verify row comes later and wins. p99 2 ms is L = 0.8.
  ReplayRunRows(Line("sweep", "10", "0.46", "0", "0", "0", "0", "0") +
                    Line("verify", "10", "2.0", "0", "0", "0", "0", "2.0"),
                *picture);
  EXPECT_FLOAT_EQ(picture->stats[0].levels[0], 0.8f);
  EXPECT_FLOAT_EQ(picture->stats[0].levels[2], 0.8f);
  EXPECT_EQ(picture->stats[0].score[2], 1.0f);
  EXPECT_EQ(picture->stats[1].score[2], 0.0f);
}

// File times in 100-ns units since 1601, as Windows gives them: 2026-01-01 00:00 UTC.
constexpr std::uint64_t kMidnight2026 = 134116992000000000ull;
constexpr std::uint64_t kSecond = 10000000ull;

TEST(GuiLastScan, TheNewestFileIsReadOncePerChange) {
  platform::SimMachine machine;
  platform::ScopedSystem guard(machine.system());
  const std::wstring folder = L"C:\\ProgramData\\Veltrane";
  EXPECT_FALSE(LoadLastScan(folder, {}).has_value());  // nothing then, nothing now

  machine.files.Seed(folder + L"\\benchmark-20260101-100000.csv", Line("sweep", "4", "0.46", "0"));
  machine.files.Seed(folder + L"\\benchmark-20250101-100000.csv", Line("sweep", "8", "0.46", "0"));
  machine.files.SetLastWriteTime(folder + L"\\benchmark-20260101-100000.csv", kMidnight2026);
  machine.files.SetLastWriteTime(folder + L"\\benchmark-20250101-100000.csv",
                                 kMidnight2026 + kSecond);
  const std::optional<LastScan> first = LoadLastScan(folder, {});
  ASSERT_TRUE(first.has_value());
  ASSERT_TRUE(first->Exists());
  EXPECT_EQ(first->file.name, L"benchmark-20250101-100000.csv");  // written last
  EXPECT_EQ(first->picture->totals.sampleCount, 8u);
  EXPECT_FALSE(LoadLastScan(folder, first->file).has_value());

  // Larger than the data files' cap: left unread, and Home has no scan to show.
  machine.files.Seed(folder + L"\\benchmark-20270101-100000.csv", std::string(5u << 20, 'x'));
  machine.files.SetLastWriteTime(folder + L"\\benchmark-20270101-100000.csv",
                                 kMidnight2026 + 2 * kSecond);
  const std::optional<LastScan> huge = LoadLastScan(folder, first->file);
  ASSERT_TRUE(huge.has_value());
  EXPECT_FALSE(huge->Exists());
  EXPECT_EQ(huge->file.name, L"benchmark-20270101-100000.csv");
}

}  // namespace
}  // namespace gui
