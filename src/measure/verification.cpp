#include <algorithm>

#include "app/output.h"
#include "measure/aggregate.h"
#include "measure/report.h"
#include "measure/run_csv.h"
#include "measure/sampler.h"
#include "measure/selection.h"
#include "measure/sweep_run.h"
#include "measure/views.h"
#include "platform/clock.h"
#include "platform/system.h"

namespace {

double Ms(std::uint32_t units) { return units / 10000.0; }

// Appends `note`, separated by a space unless it brings its own.
void AddNote(std::wstring& notes, const wchar_t* note) {
  if (!notes.empty() && note[0] != L' ') notes += L' ';
  notes += note;
}

RunRow RowOf(const Candidate& c) {
  RunRow r;
  r.requested = c.requested;
  r.loop_n = static_cast<std::uint32_t>(c.loopStats.count);
  r.loop_median = c.loopStats.median;
  r.loop_mean = c.loopStats.mean;
  r.loop_stdev = c.loopStats.stdev;
  r.loop_late = c.loopStats.latePct;
  r.loop_score = c.loopStats.score;
  r.idle_n = static_cast<std::uint32_t>(c.idleStats.count);
  r.idle_median = c.idleStats.median;
  r.idle_mean = c.idleStats.mean;
  r.idle_stdev = c.idleStats.stdev;
  r.idle_late = c.idleStats.latePct;
  r.idle_score = c.idleStats.score;
  r.score = c.score;
  return r;
}

}  // namespace

void SweepRun::PickFinalists() {
  for (std::size_t k :
       ::PickFinalists(candidates_, *target_, *best_, first_clean_, kMaxFinalists)) {
    finalists_.push_back(NewCandidate(candidates_[k].requested));
  }
}

bool SweepRun::Verify() {
  PickFinalists();
  const std::uint32_t target = candidates_[*target_].requested;
  const std::size_t f = finalists_.size();
  const std::uint32_t min_count = config_.verifyCount / 2;
  PrintInfo(
      Format(L"\nVerification: %llu finalists x (%u back-to-back + %u idle-gap) samples, "
             L"interleaved in %d rounds so they see identical conditions:",
             static_cast<unsigned long long>(f), counts_.roundLoop * kVerifyRounds,
             counts_.roundIdle * kVerifyRounds, kVerifyRounds));
  if (feed_ != nullptr) {
    feed_->ShowStatus(L"VERIFICATION", Format(L"%llu finalists, %d interleaved rounds",
                                              static_cast<unsigned long long>(f), kVerifyRounds));
    feed_->ShowItem(L"Interleaved verification",
                    L"Candidates take turns in the same round so background noise hits them "
                    L"equally. Only a period at or above the safety margin can be installed.");
    feed_->ShowVerify(CandidateViewsOf(finalists_), -1, target);
  }
  // Each round starts one finalist later, so no period always runs first.
  const std::uint64_t started = platform::Sys().clock.TickCount64();
  for (int r = 0; r < kVerifyRounds; ++r) {
    for (std::size_t l = 0; l < f; ++l) {
      const std::size_t i = (l + r) % f;
      Candidate& c = finalists_[i];
      const double elapsed = Elapsed(started);
      const double remaining = r == 0 ? estimate_.verifySeconds : (kVerifyRounds - r) * elapsed / r;
      ShowProgress(Format(L"Verification round %d/%d  %.4f ms  elapsed %ls  remaining ~%ls", r + 1,
                          kVerifyRounds, Ms(c.requested), FormatDuration(elapsed).c_str(),
                          FormatDuration(remaining).c_str()));
      if (feed_ != nullptr) {
        feed_->SetProgress(estimate_.sweepShare + (1 - estimate_.sweepShare) * r / kVerifyRounds,
                           elapsed, remaining);
        feed_->ShowStatus(L"VERIFICATION",
                          Format(L"round %d/%d  %.4f ms", r + 1, kVerifyRounds, Ms(c.requested)));
        feed_->ShowItem(
            Format(L"Verifying %.4f ms  \u00b7  round %d/%d", Ms(c.requested), r + 1,
                   kVerifyRounds),
            L"Same Sleep(1) measurement, but every finalist sees identical conditions this "
            L"round. We will install the lowest-score eligible period (ties prefer the longer "
            L"one \u2014 fewer wake-ups, more headroom).");
      }
      if (Cancelled()) return Fail(L"Cancelled.");
      if (MeasureCandidate(c, counts_.roundLoop, counts_.roundIdle) != MeasureOutcome::kMeasured) {
        ++c.skippedPasses;
      }
      // A cancel that arrived during the last measurement is still a cancel.
      if (Cancelled()) return Fail(L"Cancelled.");
      Rescore(c, 0.2, min_count);
      if (feed_ != nullptr) {
        feed_->ShowVerify(CandidateViewsOf(finalists_), static_cast<std::int32_t>(i), target);
      }
    }
  }
  ClearProgress();
  for (Candidate& c : finalists_) Rescore(c, 0.2, min_count);
  Select();
  SaveRun();
  if (!winner_) {
    return Fail(
        L"Verification could not measure any finalist (another process took the clock). "
        L"Close it and re-run.");
  }
  return true;
}

void SweepRun::Select() {
  const std::uint32_t target = candidates_[*target_].requested;
  winner_ = SelectFinalist(finalists_, target);
  PrintTableHeader();
  for (std::size_t i = 0; i < finalists_.size(); ++i) {
    const Candidate& c = finalists_[i];
    std::wstring notes;
    if (c.requested < target) AddNote(notes, L"below margin target (evidence only)");
    if (c.requested == result_.bestMeasured) AddNote(notes, L"best measured in sweep");
    if (winner_ == i) AddNote(notes, L"<- SELECTED");
    PrintCandidateRow(c, notes);
  }
}

void SweepRun::SaveRun() {
  // The aggregate first: a missing aggregate is rebuilt from the run files on disk, and
  // this run's file must not be among them yet.
  std::vector<RunRow> rows;
  for (const std::vector<Candidate>* list : {&candidates_, &finalists_}) {
    for (const Candidate& c : *list) {
      if (c.loopStats.count >= 2 || c.idleStats.count >= 2) rows.push_back(RowOf(c));
    }
  }
  (void)FoldRunIntoAggregate(DataFolder(), rows);
  // Only a file that was really written is named to the user.
  const std::wstring path = RunCsvPath();
  if (WriteRunCsv(path, candidates_, finalists_)) result_.csvPath = path;
}

void SweepRun::FillResult() {
  const Candidate& w = finalists_[*winner_];
  result_.selected = w.requested;
  result_.loopStats = w.loopStats;
  result_.idleStats = w.idleStats;
  result_.score = w.score;
  result_.margin = w.requested >= result_.bestMeasured ? w.requested - result_.bestMeasured : 0;
  const AggregateChoice choice = LowestAggregateScore(DataFolder());
  result_.aggregateUsed = choice.resolution != 0;
  result_.timerToSet = result_.aggregateUsed ? choice.resolution : result_.selected;
  const unsigned intervals = static_cast<unsigned>(candidates_.size());
  if (result_.timerToSet == result_.selected) {
    AppendTuneHistory(
        DataFolder(), L"Timer",
        Format(L"winner %.4f ms, score %.4f, %u intervals", Ms(w.requested), w.score, intervals));
  } else {
    AppendTuneHistory(DataFolder(), L"Timer",
                      Format(L"this run %.4f ms, score %.4f; holding %.4f ms, lowest aggregate "
                             L"score across %u runs",
                             Ms(w.requested), w.score, Ms(result_.timerToSet), choice.runs));
  }
  if (feed_ == nullptr) return;
  if (result_.timerToSet == result_.selected) {
    feed_->ShowItem(L"Winner chosen",
                    Format(L"%.4f ms is the fastest verified resolution on this machine (best "
                           L"measured %.4f ms + %.4f ms margin).",
                           Ms(w.requested), Ms(result_.bestMeasured), Ms(result_.margin)));
  } else {
    feed_->ShowItem(L"Winner chosen",
                    Format(L"This run verified %.4f ms. %u runs are saved, so the timer is set "
                           L"to %.4f ms, the lowest aggregate score.",
                           Ms(w.requested), choice.runs, Ms(result_.timerToSet)));
  }
}
