#include <algorithm>

#include "app/output.h"
#include "measure/report.h"
#include "measure/run_csv.h"
#include "measure/sweep_rules.h"
#include "measure/sweep_run.h"

namespace {

double Ms(std::uint32_t units) { return units / 10000.0; }

}  // namespace

bool SweepRun::Merge() {
  // Step 1: the curve over all passes and the rules' landmarks on it.
  smoothed_ = SmoothScores(candidates_);
  best_ = FindBestMeasured(smoothed_);
  first_clean_ = FindFirstClean(candidates_);
  if (first_clean_) last_miss_ = FindLastMiss(candidates_, *first_clean_);
  PrintSweepResults();
  // Step 2: nothing measurable still leaves its evidence on disk.
  if (!best_) {
    SaveRun();
    return Fail(
        L"No candidate could be measured (another process held the clock for the whole run). "
        L"Close it, or stop the Veltrane service, and re-run.");
  }
  ChooseTarget();
  return true;
}

void SweepRun::PrintSweepResults() {
  PrintInfo(
      Format(L"\nSweep results, %u passes merged. Overshoot is ms beyond the requested 1 "
             L"ms; late%% = share of samples that missed a tick (slept > median + half a "
             L"tick); score = mean + stdev averaged over both patterns:",
             config_.passes));
  PrintTableHeader();
  unsigned long long unmeasured = 0, dropped = 0;
  for (std::size_t k = 0; k < candidates_.size(); ++k) {
    const Candidate& c = candidates_[k];
    std::wstring note;
    if (best_ == k) note += L"<- best measured (smoothed)";
    if (first_clean_ == k) note += L" <- first resolution that never misses a tick";
    if (c.HasData() && c.skippedPasses > 0) {
      note += Format(L" (%u pass(es) skipped)", c.skippedPasses);
    }
    PrintCandidateRow(c, note);
    if (!c.HasData()) ++unmeasured;
    dropped += c.dropped;
  }
  if (unmeasured > 0) {
    PrintInfo(
        Format(L"WARNING: %llu candidate(s) could not be measured because another process "
               L"held a finer resolution for the whole run.",
               unmeasured));
  }
  if (dropped > 0) {
    PrintInfo(
        Format(L"NOTE: %llu sample(s) were discarded because another process changed the "
               L"clock while they were being taken.",
               dropped));
  }
}

void SweepRun::ChooseTarget() {
  const std::size_t n = candidates_.size();
  const std::size_t b = *best_;
  const std::uint32_t best_period = candidates_[b].requested;
  result_.bestMeasured = best_period;
  result_.optimumAtEdge = b == n - 1;
  if (first_clean_) result_.firstClean = candidates_[*first_clean_].requested;
  const std::uint32_t width = TransitionWidth(candidates_, first_clean_, last_miss_);
  const MarginChoice margin = ChooseMargin(config_.margin, config_.marginSet, width);
  margin_ = margin.margin;

  // The target is the first measured period at least the margin above the best; when
  // none is, the coarsest measured one stands in: it is the closest to the margin, and
  // the best itself would install a period the margin says is unsafe.
  std::size_t k = b;
  while (k < n && !(candidates_[k].HasData() &&
                    candidates_[k].requested >= std::uint64_t{best_period} + margin_)) {
    ++k;
  }
  if (k == n) {
    k = n - 1;
    while (k > b && !candidates_[k].HasData()) --k;
  }
  target_ = k;

  PrintInfo(
      Format(L"\nBest measured: %.4f ms (smoothed score %.4f ms).", Ms(best_period), smoothed_[b]));
  if (!first_clean_) {
    PrintInfo(
        L"Every resolution in the range missed some ticks: wake-up latency on this system "
        L"(C-state exit, DPCs) sometimes exceeds the slack 2R - 1 ms, so the score weighs "
        L"each candidate's miss rate against its base overshoot.");
  } else {
    const std::wstring where = !last_miss_
                                   ? std::wstring(L" (no misses anywhere in the range)")
                                   : Format(L" (last misses at %.4f ms; transition %.4f ms wide)",
                                            Ms(candidates_[*last_miss_].requested), Ms(width));
    PrintInfo(Format(L"First resolution that never missed a tick: %.4f ms%ls.",
                     Ms(result_.firstClean), where.c_str()));
  }
  if (result_.optimumAtEdge) {
    PrintInfo(
        Format(L"NOTE: the optimum sits on the last candidate; it may lie beyond the range. "
               L"Re-run with --to %u to check.",
               candidates_.back().requested + 1000));
  }
  PrintInfo(Format(L"Safety margin: +%.4f ms%ls -> target %.4f ms", Ms(margin_), margin.suffix,
                   Ms(candidates_[*target_].requested)));
  if (margin.capped) {
    PrintInfo(
        L"WARNING: the transition band is unusually wide (noisy system?); the automatic "
        L"margin was capped. Re-run on an idle system or set --margin explicitly.");
  }
  ReportSweep(0, 0, -1);
}
