#include "measure/aggregate_master.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "measure/csv_text.h"
#include "measure/data_file.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

struct Summary {
  double loop_w = 0, idle_w = 0, score_w = 0;
  double loop_s[5] = {}, idle_s[5] = {};
  double score_s = 0;
};

// Adds one row to its interval's run summary.
void AddRow(Summary& s, const RunRow& r) {
  const double loop_stats[5] = {r.loop_median, r.loop_mean, r.loop_stdev, r.loop_late,
                                r.loop_score};
  const double idle_stats[5] = {r.idle_median, r.idle_mean, r.idle_stdev, r.idle_late,
                                r.idle_score};
  // A pattern of fewer than two samples carries statistics of 0, not measurements.
  const bool loop = r.loop_n >= 2, idle = r.idle_n >= 2;
  if (loop) {
    s.loop_w += r.loop_n;
    for (int i = 0; i < 5; ++i) s.loop_s[i] += r.loop_n * loop_stats[i];
  }
  if (idle) {
    s.idle_w += r.idle_n;
    for (int i = 0; i < 5; ++i) s.idle_s[i] += r.idle_n * idle_stats[i];
  }
  const double n = (loop ? static_cast<double>(r.loop_n) : 0) + (idle ? r.idle_n : 0);
  if (n > 0 && std::isfinite(r.score)) {
    s.score_w += n;
    s.score_s += n * r.score;
  }
}

// Adds weight x mean to `sum` when the mean is finite. Hand-edited files can hold values
// near the largest double, so a total that would overflow is left as it was too.
void AddFinite(double& sum, double weight, double mean) {
  const double grown = sum + weight * mean;
  if (std::isfinite(mean) && std::isfinite(grown)) sum = grown;
}

// The weight itself always grows, whether or not every statistic was added.
void MergeSide(double weight, const double (&sums)[5], double& entry_w,
               double* const (&entry_sums)[5]) {
  if (weight <= 0) return;
  for (int i = 0; i < 5; ++i) AddFinite(*entry_sums[i], weight, sums[i] / weight);
  entry_w += weight;
}

void MergeSummary(AggregateEntry& e, const Summary& s) {
  double* const loop_sums[5] = {&e.loop_median_s, &e.loop_mean_s, &e.loop_stdev_s, &e.loop_late_s,
                                &e.loop_score_s};
  double* const idle_sums[5] = {&e.idle_median_s, &e.idle_mean_s, &e.idle_stdev_s, &e.idle_late_s,
                                &e.idle_score_s};
  MergeSide(s.loop_w, s.loop_s, e.loop_w, loop_sums);
  MergeSide(s.idle_w, s.idle_s, e.idle_w, idle_sums);
  if (s.score_w > 0) {
    AddFinite(e.score_s, s.score_w, s.score_s / s.score_w);
    e.score_w += s.score_w;
  }
  if (s.loop_w > 0 || s.idle_w > 0) ++e.runs;
}

// The fourteen totals in file order, for both writing and reading.
std::vector<double*> Totals(AggregateEntry& e) {
  return {&e.loop_w,       &e.loop_median_s, &e.loop_mean_s,   &e.loop_stdev_s, &e.loop_late_s,
          &e.loop_score_s, &e.idle_w,        &e.idle_median_s, &e.idle_mean_s,  &e.idle_stdev_s,
          &e.idle_late_s,  &e.idle_score_s,  &e.score_w,       &e.score_s};
}

constexpr char kHeader[] =
    "requested,runs,loop_w,loop_median_s,loop_mean_s,loop_stdev_s,loop_late_s,loop_score_s,"
    "idle_w,idle_median_s,idle_mean_s,idle_stdev_s,idle_late_s,idle_score_s,score_w,score_s";

}  // namespace

void FoldRunRows(AggregateMaster& master, std::span<const RunRow> rows) {
  // One summary per distinct interval, merged in ascending order.
  std::map<std::uint32_t, Summary> summaries;
  for (const RunRow& r : rows) {
    if (r.requested != 0) AddRow(summaries[r.requested], r);
  }
  for (const auto& [requested, summary] : summaries) {
    AggregateEntry& entry = master[requested];
    entry.requested = requested;
    MergeSummary(entry, summary);
  }
}

std::string FormatAggregate(const AggregateMaster& master) {
  std::string text = kHeader;
  text += '\n';
  char buffer[64];
  for (const auto& [requested, stored] : master) {
    AggregateEntry e = stored;
    std::snprintf(buffer, sizeof buffer, "%u,%u", e.requested, e.runs);
    text += buffer;
    for (double* v : Totals(e)) {
      std::snprintf(buffer, sizeof buffer, ",%.17g", *v);
      text += buffer;
    }
    text += '\n';
  }
  return text;
}

AggregateMaster ParseAggregate(std::string_view bytes) {
  AggregateMaster master;
  for (std::string_view line : SplitLines(bytes)) {
    if (line.front() == 'r') continue;
    const std::vector<std::string_view> f = SplitFields(line);
    if (f.size() < 16) continue;
    AggregateEntry e;
    e.requested = ParseUnsigned(f[0]);
    if (e.requested == 0) continue;
    e.runs = ParseUnsigned(f[1]);
    bool damaged = false;
    std::size_t i = 2;
    for (double* v : Totals(e)) {
      *v = ParseDouble(f[i++]);
      damaged = damaged || !std::isfinite(*v);
    }
    damaged = damaged || e.loop_w < 0 || e.idle_w < 0 || e.score_w < 0;
    if (!damaged) master[e.requested] = e;
  }
  return master;
}

std::wstring AggregatePath(const std::wstring& folder) {
  return folder + L"\\aggregate-master.csv";
}

AggregateMaster LoadAggregate(const std::wstring& folder) {
  auto bytes = ReadDataFile(AggregatePath(folder));
  return bytes.ok() ? ParseAggregate(*bytes) : AggregateMaster{};
}
