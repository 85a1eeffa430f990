#include "gui/last_scan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "gui/chart_rules.h"
#include "measure/csv_text.h"
#include "measure/data_file.h"
#include "measure/run_row.h"
#include "platform/files.h"
#include "platform/system.h"

namespace gui {
namespace {

constexpr wchar_t kRunFilePattern[] = L"benchmark-*.csv";
// The p99 columns, which the aggregate's row reader has no use for.
constexpr std::size_t kLoopP99 = 10, kIdleP99 = 21;

struct Replay {
  ChartSnapshot& picture;
  std::uint64_t late = 0;

  // All of a pattern's wakes go to the cell of its late share and median. The cell's
  // counters stop together at the limit, as the live ones do, so its ratios stay true.
  void Count(const PatternView& p, bool afterIdle) {
    if (p.count == 0) return;
    const double share = ClampToRange(p.latePct / 100, 0, 1);
    LatticeCell& cell = picture.cells[static_cast<std::size_t>(LatticeRow(p.median) * kLatticeSize +
                                                               LatticeColumn(share))];
    const auto added =
        static_cast<std::uint16_t>(std::min<std::uint32_t>(p.count, kCellCountLimit - cell.all));
    cell.all = static_cast<std::uint16_t>(cell.all + added);
    std::uint16_t& pattern = afterIdle ? cell.afterIdle : cell.backToBack;
    pattern = static_cast<std::uint16_t>(pattern + added);
    cell.late = static_cast<std::uint16_t>(cell.late + std::lround(added * share));
    picture.totals.sampleCount += p.count;
    late += static_cast<std::uint64_t>(std::llround(p.count * share));
  }
};

PatternView PatternOf(std::uint32_t n, double median, double mean, double stdev,
                      std::string_view p99, double late, double score) {
  return {n, median, mean, stdev, ParseDouble(p99), late, score};
}

}  // namespace

std::uint32_t ReplayRunRows(std::string_view text, ChartSnapshot& picture) {
  picture.cells.fill({});
  picture.totals = {};
  Replay replay{picture};
  std::vector<CandidateView> candidates;
  for (std::string_view line : SplitLines(text)) {
    if (candidates.size() == kMaxLastScanRows) break;
    const std::optional<RunRow> row = ParseRunCsvRow(line);
    if (!row) continue;
    std::string_view f[kIdleP99 + 1];
    SplitFieldsInto(line, f);
    CandidateView c;
    c.requested = row->requested;
    c.hasData = true;
    c.loop = PatternOf(row->loop_n, row->loop_median, row->loop_mean, row->loop_stdev, f[kLoopP99],
                       row->loop_late, row->loop_score);
    c.idle = PatternOf(row->idle_n, row->idle_median, row->idle_mean, row->idle_stdev, f[kIdleP99],
                       row->idle_late, row->idle_score);
    c.score = row->score;
    replay.Count(c.loop, false);
    replay.Count(c.idle, true);
    candidates.push_back(c);
  }
  picture.totals.histogramCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(
      picture.totals.sampleCount, std::numeric_limits<std::uint32_t>::max()));
  picture.totals.totalLate = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(replay.late, std::numeric_limits<std::uint32_t>::max()));
  // Sweep rows come first: a finalist's verified figures take its column.
  BuildStatColumns(candidates, picture.stats);
  return static_cast<std::uint32_t>(candidates.size());
}

std::optional<RunFileStamp> NewestRunFile(const std::wstring& folder) {
  auto& files = platform::Sys().files;
  std::optional<RunFileStamp> newest;
  for (const std::wstring& name : files.List(folder, kRunFilePattern)) {
    const auto written = files.LastWriteTime(folder + L"\\" + name);
    if (written && (!newest || *written >= newest->written)) newest = RunFileStamp{name, *written};
  }
  return newest;
}

std::optional<LastScan> LoadLastScan(const std::wstring& folder, const RunFileStamp& known) {
  const RunFileStamp newest = NewestRunFile(folder).value_or(RunFileStamp{});
  if (newest == known) return std::nullopt;
  LastScan scan;
  scan.file = newest;
  if (newest.name.empty()) return scan;
  const auto bytes = ReadDataFile(folder + L"\\" + newest.name);
  if (!bytes) return scan;
  auto picture = std::make_shared<ChartSnapshot>();
  scan.rows = ReplayRunRows(*bytes, *picture);
  if (scan.rows > 0) scan.picture = std::move(picture);
  return scan;
}

}  // namespace gui
