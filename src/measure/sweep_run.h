// The state of one RunSweep call, shared by its stages: set-up and passes, the merge and
// target, verification and selection. Internal to the measurement engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/feed.h"
#include "measure/benchmark.h"
#include "measure/candidate.h"
#include "measure/sweep_grid.h"
#include "platform/kernel_timer.h"

class SweepRun {
 public:
  explicit SweepRun(const SweepConfig& config);
  BenchmarkResult Run();

 private:
  // Each stage returns false when the run ends there with result_.error set.
  bool SetUp();
  bool Baseline();
  bool Passes();
  bool Merge();
  void PrintSweepResults();
  void ChooseTarget();
  bool Verify();
  void PickFinalists();
  void Select();
  void SaveRun();
  void FillResult();

  bool Cancelled() const { return feed_ != nullptr && feed_->IsCancelled(); }
  bool Fail(const std::wstring& error);
  void ReportSystem(const std::wstring& priority);
  void ReportSweep(std::uint32_t pass, std::uint32_t position, std::int32_t active);
  double Elapsed(std::uint64_t since_ms) const;

  SweepConfig config_;
  gui::Feed* feed_;
  platform::TimerRange range_;
  SweepCounts counts_;
  SweepEstimate estimate_;
  std::vector<Candidate> candidates_;
  std::vector<double> smoothed_;
  std::optional<std::size_t> best_, first_clean_, last_miss_;
  std::optional<std::size_t> target_;
  std::uint32_t margin_ = 0;
  std::vector<Candidate> finalists_;
  std::optional<std::size_t> winner_;  // index into finalists_
  BenchmarkResult result_;
};
