#include "measure/aggregate.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

#include "app/data_folder.h"
#include "app/output.h"
#include "measure/aggregate_master.h"
#include "measure/atomic_file.h"
#include "measure/csv_text.h"
#include "measure/data_file.h"
#include "measure/data_files_lock.h"
#include "measure/sampler.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kRunFilePattern[] = L"benchmark-*.csv";

// Run files (never folders) in name order; the time-stamped names make that oldest first.
std::vector<std::wstring> RunFiles(const std::wstring& folder) {
  std::vector<std::wstring> names = platform::Sys().files.List(folder, kRunFilePattern);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<RunRow> ReadRunRows(const std::wstring& path, bool sweep_only) {
  std::vector<RunRow> rows;
  const auto bytes = ReadDataFile(path);
  if (!bytes.ok()) return rows;
  for (std::string_view line : SplitLines(*bytes)) {
    if (sweep_only && !line.starts_with("sweep,")) continue;
    if (auto row = ParseRunCsvRow(line)) rows.push_back(*row);
  }
  return rows;
}

// Rebuilds a missing aggregate from the run files that are still on disk.
void FoldEarlierScansLocked(const std::wstring& folder, AggregateMaster& master) {
  unsigned folded = 0;
  for (const std::wstring& name : RunFiles(folder)) {
    const std::vector<RunRow> rows = ReadRunRows(folder + L"\\" + name, false);
    if (rows.empty()) continue;
    FoldRunRows(master, rows);
    ++folded;
  }
  if (folded > 0) {
    AppendTuneHistoryLocked(
        folder, L"History",
        std::to_wstring(folded) + L" earlier timer scans folded into the aggregate");
  }
}

double MeanOf(double sum, double weight) { return weight > 0 ? sum / weight : 0; }

AggregatePoint PointOf(const AggregateEntry& e) {
  AggregatePoint p;
  p.requested = e.requested;
  p.runs = e.runs;
  p.loop_w = e.loop_w;
  p.idle_w = e.idle_w;
  p.score_w = e.score_w;
  p.loop_median = MeanOf(e.loop_median_s, e.loop_w);
  p.loop_mean = MeanOf(e.loop_mean_s, e.loop_w);
  p.loop_stdev = MeanOf(e.loop_stdev_s, e.loop_w);
  p.loop_late = MeanOf(e.loop_late_s, e.loop_w);
  p.loop_score = MeanOf(e.loop_score_s, e.loop_w);
  p.idle_median = MeanOf(e.idle_median_s, e.idle_w);
  p.idle_mean = MeanOf(e.idle_mean_s, e.idle_w);
  p.idle_stdev = MeanOf(e.idle_stdev_s, e.idle_w);
  p.idle_late = MeanOf(e.idle_late_s, e.idle_w);
  p.idle_score = MeanOf(e.idle_score_s, e.idle_w);
  p.score = MeanOf(e.score_s, e.score_w);
  return p;
}

// The run file written last. A file copied in or touched by hand keeps its place by its
// write time, not its name; on equal times the one listed later wins.
std::vector<std::pair<std::uint32_t, double>> NewestRunLocked(const std::wstring& folder) {
  std::vector<std::pair<std::uint32_t, double>> newest;
  auto& files = platform::Sys().files;
  const std::vector<std::wstring> names = RunFiles(folder);
  const std::wstring* newest_name = nullptr;
  std::uint64_t newest_time = 0;
  for (const std::wstring& name : names) {
    const auto written = files.LastWriteTime(folder + L"\\" + name);
    if (!written) continue;
    if (newest_name == nullptr || *written >= newest_time) {
      newest_name = &name;
      newest_time = *written;
    }
  }
  if (newest_name == nullptr) return newest;
  for (const RunRow& row : ReadRunRows(folder + L"\\" + *newest_name, true)) {
    newest.emplace_back(row.requested, row.score);
  }
  return newest;
}

// The saved totals. A missing file is rebuilt from the run files on disk; nullopt when
// the file is there but cannot be read (reported), so nobody replaces it.
std::optional<AggregateMaster> SavedAggregateLocked(const std::wstring& folder, bool& rebuilt) {
  const std::wstring path = AggregatePath(folder);
  rebuilt = false;
  const auto bytes = ReadDataFile(path);
  if (bytes) return ParseAggregate(*bytes);
  if (bytes.error().code != support::ErrorCode::kNotFound) {
    ReportDataFileFailure(path, bytes.error());
    return std::nullopt;
  }
  AggregateMaster master;
  FoldEarlierScansLocked(folder, master);
  rebuilt = true;
  return master;
}

bool SaveAggregateLocked(const std::wstring& folder, const AggregateMaster& master) {
  const std::wstring path = AggregatePath(folder);
  const support::Status saved = WriteFileAtomically(path, FormatAggregate(master));
  if (!saved) ReportDataFileFailure(path, saved.error());
  return saved.ok();
}

// The lowest mean score once two runs are saved (see LowestAggregateScore).
AggregateChoice LowestOf(const std::vector<AggregatePoint>& points, std::uint32_t runs,
                         bool any_interval) {
  AggregateChoice choice;
  if (runs < 2) return choice;
  // Rows outside what the kernel can run, or with a score no measurement gives, are
  // skipped like damaged ones: the file may have been written by anyone.
  platform::TimerRange range;
  const bool known = !any_interval && QueryTimerRange(range);
  const AggregatePoint* best = nullptr;
  for (const AggregatePoint& p : points) {
    if (p.score_w <= 0 || p.requested == 0 || !std::isfinite(p.score) || p.score < 0) continue;
    if (known &&
        (p.requested < range.finest || (range.coarsest != 0 && p.requested > range.coarsest))) {
      continue;
    }
    if (best == nullptr || p.score < best->score) best = &p;
  }
  if (best == nullptr) return choice;
  return {best->requested, best->score, runs};
}

}  // namespace

bool FoldRunIntoAggregate(const std::wstring& folder, std::span<const RunRow> rows) {
  if (folder.empty() || rows.empty()) return false;
  const DataFilesHold hold;
  if (!hold.held() || !ReadyToWrite(folder).empty()) return false;
  // Step 1: the saved totals; a missing file is rebuilt from the earlier run files,
  // which do not include this run yet.
  bool rebuilt = false;
  std::optional<AggregateMaster> master = SavedAggregateLocked(folder, rebuilt);
  if (!master) return false;
  // Step 2: this run, then the whole file replaced at once.
  FoldRunRows(*master, rows);
  return SaveAggregateLocked(folder, *master);
}

AggregateView LoadAggregateView(const std::wstring& folder) {
  AggregateView view;
  if (folder.empty()) return view;
  const DataFilesHold hold;
  if (!hold.held()) return view;
  // Step 1: the totals, rebuilt and saved when the file is missing and runs exist.
  bool rebuilt = false;
  const AggregateMaster master = SavedAggregateLocked(folder, rebuilt).value_or(AggregateMaster{});
  if (rebuilt && !master.empty() && PrepareDataFolder(folder).empty()) {
    (void)SaveAggregateLocked(folder, master);
  }
  // Step 2: means per interval, the run count and the sample total.
  for (const auto& [requested, entry] : master) {
    view.points.push_back(PointOf(entry));
    view.runs = std::max(view.runs, entry.runs);
    view.samples += entry.score_w;
  }
  // Step 3: history and the newest run's sweep curve.
  view.history = ReadTuneHistoryLocked(folder);
  view.newestRun = NewestRunLocked(folder);
  return view;
}

AggregateChoice LowestAggregateScore(const std::wstring& folder, bool any_interval) {
  if (folder.empty()) return {};
  const AggregateView view = LoadAggregateView(folder);
  return LowestOf(view.points, view.runs, any_interval);
}

AggregateChoice ServiceAggregateChoice(const std::wstring& folder, std::wstring& why_not) {
  const std::wstring path = AggregatePath(folder);
  // Step 1: only a folder and a file that nobody but administrators could have written;
  // the service runs as SYSTEM and sets what every program on the machine gets.
  if (const std::wstring unsafe = UnsafeForElevatedUse(folder); !unsafe.empty()) {
    why_not = Format(L"the data folder %ls %ls", folder.c_str(), unsafe.c_str());
    return {};
  }
  if (const std::wstring unsafe = UnsafeForElevatedUse(path); !unsafe.empty()) {
    why_not = Format(L"%ls %ls", path.c_str(), unsafe.c_str());
    return {};
  }
  // Step 2: the saved totals alone. Rebuilding from run files is left to elevated runs, so
  // the start never waits on how many files lie in the folder.
  AggregateMaster master;
  {
    const DataFilesHold hold;
    if (!hold.held()) {
      why_not = L"another process kept the data files busy";
      return {};
    }
    const auto bytes = ReadDataFile(path);
    if (!bytes) {
      why_not =
          Format(L"%ls could not be read (error %u)", path.c_str(), bytes.error().win32_error);
      return {};
    }
    master = ParseAggregate(*bytes);
  }
  std::vector<AggregatePoint> points;
  std::uint32_t runs = 0;
  for (const auto& [requested, entry] : master) {
    points.push_back(PointOf(entry));
    runs = std::max(runs, entry.runs);
  }
  return LowestOf(points, runs, false);
}
