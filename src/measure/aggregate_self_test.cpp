#include "measure/aggregate_self_test.h"

#include <cmath>
#include <string>
#include <vector>

#include "app/data_folder.h"
#include "app/output.h"
#include "measure/aggregate.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

// A row as the checks describe it: loop_n n, loop median and mean v, score v.
RunRow Row(std::uint32_t requested, std::uint32_t n, double v) {
  RunRow r;
  r.requested = requested;
  r.loop_n = n;
  r.loop_median = v;
  r.loop_mean = v;
  r.score = v;
  return r;
}

void Fold(const std::wstring& folder, std::vector<RunRow> rows) {
  FoldRunIntoAggregate(folder, rows);
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

void ClearDataFiles(const std::wstring& folder) {
  platform::Files& files = platform::Sys().files;
  (void)files.Delete(folder + L"\\aggregate-master.csv");
  (void)files.Delete(folder + L"\\tune-history.csv");
}

// Weighted means, run counts and the heavy-run rule, in one folder.
int CheckWeights(const std::wstring& folder) {
  Fold(folder, {Row(5600, 10, 1)});
  Fold(folder, {Row(5600, 10, 3)});
  AggregateView view = LoadAggregateView(folder);
  if (view.points.size() != 1 || view.points[0].runs != 2) return 2;
  if (!Near(view.points[0].loop_median, 2, 1e-9)) return 3;
  if (!Near(view.points[0].loop_w, 20, 1e-6)) return 4;

  Fold(folder, {Row(5600, 10, 5)});
  view = LoadAggregateView(folder);
  if (view.points.size() != 1) return 5;
  if (!Near(view.points[0].loop_median, 3, 1e-9)) return 5;
  if (!Near(view.points[0].score, 3, 1e-9)) return 6;
  if (!Near(view.points[0].score_w, 30, 1e-6)) return 7;

  Fold(folder, {Row(5600, 10000, 1)});
  Fold(folder, {Row(5600, 10, 11)});
  view = LoadAggregateView(folder);
  if (view.points.size() != 1) return 8;
  if (!Near(view.points[0].loop_median, 1.0159362549800797, 1e-6)) return 8;
  if (!(view.points[0].loop_w > 10000)) return 9;
  return 0;
}

// The choice needs two runs and breaks ties towards the lower interval.
int CheckChoice(const std::wstring& folder) {
  if (LowestAggregateScore(folder, true).resolution != 0) return 11;
  Fold(folder, {Row(5000, 10, 4), Row(5600, 10, 1)});
  if (LowestAggregateScore(folder, true).resolution != 0) return 12;
  Fold(folder, {Row(5000, 10, 3), Row(5600, 10, 1)});
  const AggregateChoice choice = LowestAggregateScore(folder, true);
  if (choice.resolution != 5600) return 13;
  if (choice.runs != 2) return 14;
  if (!Near(choice.score, 1, 1e-9)) return 15;
  if (LowestAggregateScore(folder, true).resolution != 5600) return 17;

  ClearDataFiles(folder);
  Fold(folder, {Row(5000, 10, 1), Row(6000, 10, 1)});
  Fold(folder, {Row(5000, 10, 1), Row(6000, 10, 1)});
  if (LowestAggregateScore(folder, true).resolution != 5000) return 18;
  return 0;
}

int CheckHistory(const std::wstring& folder) {
  AppendTuneHistory(folder, L"CPU", L"power applied");
  const AggregateView view = LoadAggregateView(folder);
  if (view.history.empty() || view.history[0].area != L"CPU") return 10;
  return 0;
}

}  // namespace

int AggregateSelfTest() {
  auto& sys = platform::Sys();
  // Step 1: a folder nobody had before this run, so nothing planted at a known name (a
  // link to the real data files) is ever written through or deleted. Elevated, it lies in
  // the protected data folder; a user's own run uses the user's temporary folder.
  const bool elevated = sys.environment.IsProcessElevated();
  std::wstring parent = elevated ? DataFolder() : sys.environment.TempFolder();
  while (parent.size() > 3 && parent.back() == L'\\') parent.pop_back();
  if (parent.empty()) return 1;
  const RunFolder scratch = elevated ? CreateRunFolder(L"self-test")
                                     : CreateFreshFolder(parent, L"VeltraneAggTest", false);
  if (scratch.path.empty()) return 1;
  // Step 2: the checks, in two folders made inside it.
  const std::wstring test_folder = scratch.path + L"\\test";
  const std::wstring hold_folder = scratch.path + L"\\hold";
  int result = 1;
  if (sys.files.CreateDirectory(test_folder) && sys.files.CreateDirectory(hold_folder)) {
    result = CheckWeights(test_folder);
    if (result == 0) result = CheckChoice(hold_folder);
    if (result == 0) result = CheckHistory(test_folder);
  }
  // Step 3: only what this run made goes, and a link inside is never followed.
  (void)sys.files.DeleteTree(scratch.path);
  return result;
}
