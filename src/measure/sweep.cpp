#include "app/output.h"
#include "measure/sampler.h"
#include "measure/sweep_run.h"
#include "measure/views.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

double Ms(std::uint32_t units) { return units / 10000.0; }

const wchar_t* Plural(std::uint32_t passes) { return passes == 1 ? L"" : L"es"; }

std::uint32_t DesiredResolution() {
  const platform::RegPath path{platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane",
                               L"DesiredResolution"};
  return platform::Sys().registry.ReadDword(path).value_or(0);
}

}  // namespace

SweepRun::SweepRun(const SweepConfig& config) : config_(config), feed_(CurrentFeed()) {}

BenchmarkResult SweepRun::Run() {
  if (SetUp() && Baseline() && Passes() && Merge() && Verify()) FillResult();
  return result_;
}

bool SweepRun::Fail(const std::wstring& error) {
  ClearProgress();
  result_.selected = 0;
  result_.error = error;
  return false;
}

double SweepRun::Elapsed(std::uint64_t since_ms) const {
  return static_cast<double>(platform::Sys().clock.TickCount64() - since_ms) / 1000.0;
}

void SweepRun::ReportSystem(const std::wstring& priority) {
  if (feed_ == nullptr) return;
  gui::SystemView view;
  view.finest = range_.finest;
  view.coarsest = range_.coarsest;
  view.current = range_.current;
  view.elevated = platform::Sys().environment.IsProcessElevated();
  view.serviceState = config_.serviceState;
  view.desiredResolution = DesiredResolution();
  view.priority = priority;
  feed_->ShowSystem(view);
}

void SweepRun::ReportSweep(std::uint32_t pass, std::uint32_t position, std::int32_t active) {
  if (feed_ == nullptr) return;
  gui::SweepView view;
  view.candidates = CandidateViewsOf(candidates_);
  view.pass = static_cast<std::int32_t>(pass);
  view.passCount = pass == 0 ? 0 : static_cast<std::int32_t>(config_.passes);
  view.position = static_cast<std::int32_t>(position);
  if (pass == 0) {  // the report after the merge
    view.smoothed = smoothed_;
    view.bestIndex = best_ ? static_cast<std::int32_t>(*best_) : -1;
    view.firstCleanIndex = first_clean_ ? static_cast<std::int32_t>(*first_clean_) : -1;
    view.targetIndex = target_ ? static_cast<std::int32_t>(*target_) : -1;
    view.margin = static_cast<std::int32_t>(margin_);
  }
  feed_->ShowSweep(view, active);
}

bool SweepRun::SetUp() {
  // Step 1: the kernel's range and the grid inside it.
  if (!QueryTimerRange(range_)) return Fail(L"NtQueryTimerResolution failed.");
  const std::vector<std::uint32_t> grid = BuildGrid(range_, config_);
  candidates_.reserve(grid.size());
  for (std::uint32_t period : grid) candidates_.push_back(NewCandidate(period));
  counts_ = CountsFor(config_);
  estimate_ = EstimateFor(config_, counts_, grid.size());
  const std::uint32_t start = grid.front(), top = grid.back(), step = GridStep(config_);

  // Step 2: what is about to happen, on the feed and the console.
  ReportSystem(L"");
  if (feed_ != nullptr) {
    feed_->ShowStatus(L"SWEEP", Format(L"%.4f-%.4f ms in %.4f ms steps, %u pass%ls", Ms(start),
                                       Ms(top), Ms(step), config_.passes, Plural(config_.passes)));
    feed_->ShowItem(
        L"Why timer resolution matters",
        L"Windows Sleep(1) waits for the next timer interrupt at least 1 ms away. The default "
        L"clock is ~15.6 ms, so Sleep(1) often wakes ~15 ms late. This step times real Sleep(1) "
        L"calls across finer periods and keeps the fastest setting for this machine.");
  }
  PrintInfo(
      Format(L"Kernel timer range: fastest %.4f ms, slowest %.4f ms, system currently at "
             L"%.4f ms",
             Ms(range_.finest), Ms(range_.coarsest), Ms(range_.current)));
  const unsigned long long calls =
      static_cast<unsigned long long>(config_.passes) * (counts_.loop + counts_.idle) * grid.size();
  PrintInfo(
      Format(L"Sweep: %.4f-%.4f ms in %.4f ms steps = %llu candidates x %u passes x (%u "
             L"back-to-back + %u idle-gap) samples = %llu Sleep(1) calls",
             Ms(start), Ms(top), Ms(step), static_cast<unsigned long long>(grid.size()),
             config_.passes, counts_.loop, counts_.idle, calls));
  PrintInfo(
      Format(L"Verification: up to 6 finalists x (%u + %u) samples, interleaved in %d "
             L"rounds. Estimated time ~%ls",
             config_.verifyCount, counts_.verifyIdle, kVerifyRounds,
             FormatDuration(estimate_.totalSeconds + 2).c_str()));
  if (range_.current < top) {
    PrintInfo(
        Format(L"WARNING: some process already holds %.4f ms, inside the sweep range. "
               L"Candidates it masks will be skipped; close games/browsers for a clean run.",
               Ms(range_.current)));
  }

  // Step 3: the measurement environment of the process.
  const std::wstring priority = EnterMeasurementPriority();
  PrintInfo(Format(L"Measurement priority: %ls", priority.c_str()));
  platform::TimerRange fresh;
  if (QueryTimerRange(fresh)) range_ = fresh;
  ReportSystem(priority);
  KeepTimerRequestsHonoured();
  ReportSweep(0, 0, -1);
  return true;
}

bool SweepRun::Baseline() {
  if (feed_ != nullptr) {
    feed_->ShowStatus(L"BASELINE", L"Sleep(1) with nothing requested by this process");
    feed_->ShowItem(L"Untuned baseline",
                    L"Sleep(1) with no timer request \u2014 the ~15.6 ms default clock. Later "
                    L"scores are compared against this overshoot.");
  }
  ShowProgress(L"Baseline (no request)...");
  const ::Baseline baseline = TakeBaseline();
  if (baseline.cancelled) return Fail(L"Cancelled.");
  ClearProgress();
  result_.baseline = baseline.stats;
  std::wstring line = Format(
      L"\nBaseline, nothing requested by this process: Sleep(1) overshoot "
      L"median %+0.4f ms (p99 %+0.4f) while the kernel reports %.4f ms",
      baseline.stats.median, baseline.stats.p99, Ms(range_.current));
  if (range_.current < range_.coarsest && baseline.stats.median > 2 * Ms(range_.current)) {
    line +=
        L"  (another process requested that resolution; since Windows 10 2004 requests are "
        L"per-process, so this process still waits at the default until it asks itself)";
  }
  PrintInfo(line);
  return true;
}

bool SweepRun::Passes() {
  const std::uint64_t started = platform::Sys().clock.TickCount64();
  const std::size_t n = candidates_.size();
  const double all = static_cast<double>(config_.passes) * n;
  for (std::uint32_t p = 0; p < config_.passes; ++p) {
    ReportSweep(p + 1, 0, -1);
    const std::vector<std::size_t> order = VisitingOrder(n, p);
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t c = order[k];
      const double done = static_cast<double>(n) * p + k;
      const double elapsed = Elapsed(started);
      const double remaining = done == 0 ? estimate_.sweepSeconds : (all - done) * elapsed / done;
      const double period_ms = Ms(candidates_[c].requested);
      ShowProgress(
          Format(L"Sweep pass %u/%u (%ls)  %.4f ms  [%llu/%llu]  elapsed %ls  "
                 L"remaining ~%ls",
                 p + 1, config_.passes, OrderWord(p), period_ms,
                 static_cast<unsigned long long>(k + 1), static_cast<unsigned long long>(n),
                 FormatDuration(elapsed).c_str(), FormatDuration(remaining).c_str()));
      if (feed_ != nullptr) {
        feed_->SetProgress(done / all * estimate_.sweepShare, elapsed, remaining);
        feed_->ShowStatus(L"SWEEP", Format(L"pass %u/%u (%ls)  %.4f ms", p + 1, config_.passes,
                                           OrderWord(p), period_ms));
        feed_->ShowItem(
            Format(L"Trying %.4f ms  \u00b7  pass %u/%u %ls", period_ms, p + 1, config_.passes,
                   OrderWord(p)),
            Format(L"Sleep(1) waits for the first interrupt at this period that is at least 1 ms "
                   L"away \u2014 typically %+0.3f ms late. A miss (C-state exit or a long DPC) "
                   L"waits one extra tick. Finer is not always faster: 0.50 ms often misses "
                   L"more ticks than ~0.52\u20130.56 ms. Score = mean + stdev of that "
                   L"overshoot. Lower and tighter is less lag.",
                   std::max(2 * period_ms - 1, 0.0)));
      }
      if (Cancelled()) return Fail(L"Cancelled.");
      if (MeasureCandidate(candidates_[c], counts_.loop, counts_.idle) !=
          MeasureOutcome::kMeasured) {
        ++candidates_[c].skippedPasses;
      }
      if (Cancelled()) return Fail(L"Cancelled.");
      Rescore(candidates_[c], 0.5, config_.samples);
      ReportSweep(p + 1, static_cast<std::uint32_t>(k + 1), static_cast<std::int32_t>(c));
    }
  }
  ClearProgress();
  for (Candidate& c : candidates_) Rescore(c, 0.5, config_.samples);
  return true;
}

BenchmarkResult RunSweep(const SweepConfig& config) { return SweepRun(config).Run(); }
