// The aggregate timing curve: every saved run folded into sample-weighted totals per
// timer interval, so the period finally held is the lowest mean score across all runs,
// not the winner of the latest run alone. Every operation takes the data folder; an
// empty folder does nothing or returns an empty result.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "measure/run_row.h"
#include "measure/tune_history.h"

// One interval's totals turned into means; a mean whose weight is not above 0 is 0.
struct AggregatePoint {
  std::uint32_t requested = 0;
  std::uint32_t runs = 0;
  double loop_w = 0, idle_w = 0, score_w = 0;
  double loop_median = 0, loop_mean = 0, loop_stdev = 0, loop_late = 0, loop_score = 0;
  double idle_median = 0, idle_mean = 0, idle_stdev = 0, idle_late = 0, idle_score = 0;
  double score = 0;
};

struct AggregateView {
  std::vector<AggregatePoint> points;  // ascending interval
  std::vector<HistoryEntry> history;   // newest first, at most 500
  // (requested, score) of the sweep rows of the newest run file.
  std::vector<std::pair<std::uint32_t, double>> newestRun;
  std::uint32_t runs = 0;  // the largest runs value of any interval
  double samples = 0;      // sum of score_w over all intervals
};

// resolution 0 means no choice: fewer than two runs saved, or nothing eligible.
struct AggregateChoice {
  std::uint32_t resolution = 0;
  double score = 0;
  std::uint32_t runs = 0;
};

// Folds one run into aggregate-master.csv. When the file does not exist yet, the run
// files already in the folder are folded first, so call this before writing the run's
// own file. A file that cannot be read, or a failed write, is reported and leaves the
// previous file whole; false then.
bool FoldRunIntoAggregate(const std::wstring& folder, std::span<const RunRow> rows);
// Builds the aggregate from the run files when it is missing (and writes it when that
// found anything).
AggregateView LoadAggregateView(const std::wstring& folder);
// The interval with the lowest mean score (the lower interval on a tie) once two or more
// runs are saved. Only intervals this machine's kernel can run are chosen, unless
// `any_interval` (the self-test's rows must hold on every machine, also one whose finest
// period is coarser than theirs).
AggregateChoice LowestAggregateScore(const std::wstring& folder, bool any_interval = false);
// What the SYSTEM service may take at its start: the choice from the saved aggregate alone
// (never rebuilt from run files here), and only when the folder and the file are ones no
// one but administrators may change. Otherwise no choice, and `why_not` says why.
AggregateChoice ServiceAggregateChoice(const std::wstring& folder, std::wstring& why_not);
