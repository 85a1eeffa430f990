// The chart data of the Measure feed: what the measurement thread's samples and published
// candidate lists add up to, kept in fixed storage so that adding a sample between two timed
// sleeps costs a lock and a few stores, never an allocation. The window copies it into its
// own ChartSnapshot once per frame; the copy moves only what changed since the last one.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "app/feed.h"
#include "gui/chart_rules.h"

namespace gui {

inline constexpr int kRingSize = 4096;
inline constexpr std::uint32_t kPeriodCountLimit = 1000000;
inline constexpr std::uint16_t kCellCountLimit = 65535;
inline constexpr int kLatticeCells = kLatticeSize * kLatticeSize;
// More distinct periods than one run ever requests; the rest share one overflow record.
inline constexpr int kPeriodSlots = 1024;

struct ChartSample {
  float overshootMs = 0;
  float seconds = 0;  // since the feed started
  std::uint32_t requested = 0;
  bool afterIdle = false;
};

struct LatticeCell {
  std::uint16_t all = 0, backToBack = 0, afterIdle = 0, late = 0;
};

// Two four-float texels per lattice column (one column per late-fraction bin).
struct StatTexels {
  std::array<float, 4> levels{};  // L(loop latency), L(after idle), L(p99), band width
  std::array<float, 4> score{};   // score ms, late fraction, valid (0 or 1), unused
};

// The counts kept beside the ring; the histogram and late total start again with each pass.
struct ChartTotals {
  std::uint64_t sampleCount = 0;  // since the run started
  std::uint32_t latestPeriod = 0;
  std::array<std::uint32_t, kHistogramBins> histogram{};
  std::uint32_t histogramCount = 0;  // samples since the pass began
  std::uint32_t totalLate = 0;
};

// The window's copy. `ring` keeps the feed's slot layout: sample k sits at k % kRingSize.
struct ChartSnapshot {
  std::array<ChartSample, kRingSize> ring{};
  ChartTotals totals;
  std::array<LatticeCell, kLatticeCells> cells{};  // index row * kLatticeSize + column
  std::array<StatTexels, kLatticeSize> stats{};
  // Which state of the feed the copy reflects, so the next copy can send only the rest.
  std::uint64_t feedEpoch = ~0ull, passEpoch = ~0ull, statsVersion = ~0ull;
};

// The statistics columns of a candidate list: each candidate in the column of its late share,
// a later one overwriting an earlier one in the same column; columns without one are zero.
void BuildStatColumns(const std::vector<CandidateView>& candidates,
                      std::array<StatTexels, kLatticeSize>& stats);

class ChartData {
 public:
  ChartData();

  // The slot starts a new run: everything, the ring included, starts empty.
  void Reset();
  // One timed wake; `seconds` counts from the feed's start. Constant time, no allocation.
  void AddSample(std::uint32_t requested, double overshootMs, bool afterIdle, double seconds);
  // A sweep list: a new pass number (from 1) starts a new picture, then the statistics columns are
  // rebuilt from the list.
  void PublishSweep(std::int32_t pass, const std::vector<CandidateView>& candidates);
  // A verification list: the first one starts the verification's own picture.
  void PublishVerify(const std::vector<CandidateView>& finalists);

  // Brings `snapshot` up to date (one reader per ChartData: the copy consumes the list of
  // changed cells), copying only new ring entries, changed cells and, when
  // they changed, the histogram and statistics.
  void CopyInto(ChartSnapshot& snapshot);

 private:
  struct PeriodCount {
    std::uint32_t period = 0, samples = 0, late = 0;
    bool used = false;
  };

  void ClearPicture();  // caller holds mutex_
  PeriodCount& PeriodRecord(std::uint32_t period);
  void CountInCell(int index, bool afterIdle, bool late);

  std::mutex mutex_;
  std::array<ChartSample, kRingSize> ring_{};
  ChartTotals totals_;
  std::array<PeriodCount, kPeriodSlots> periods_{};
  PeriodCount overflow_period_;
  std::array<LatticeCell, kLatticeCells> cells_{};
  // Cells touched since the last copy, each listed once (dirty_ marks the listed ones).
  std::array<bool, kLatticeCells> dirty_{};
  std::array<std::uint16_t, kLatticeCells> dirty_list_{};
  int dirty_count_ = 0;
  std::array<StatTexels, kLatticeSize> stats_{};
  std::int32_t pass_ = 0;
  bool verifying_ = false;
  std::uint64_t feed_epoch_ = 0, pass_epoch_ = 0, stats_version_ = 0;
};

}  // namespace gui
