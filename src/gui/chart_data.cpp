#include "gui/chart_data.h"

#include <algorithm>

namespace gui {

namespace {

std::uint32_t SlotHash(std::uint32_t period) {
  return (period * 2654435761u) >> 22;  // top 10 bits: 0..kPeriodSlots-1
}
static_assert(kPeriodSlots == 1 << 10);

float ToFloat(double value) { return static_cast<float>(ClampToRange(value, -1e9, 1e9)); }

// The figures a statistics column shows: back-to-back when the candidate has them, since
// that is the pattern a game loop sees, else the after-idle ones.
StatTexels TexelsOf(const CandidateView& c) {
  const PatternView& shown = c.loop.count > 0 ? c.loop : c.idle;
  const double idleLatency = c.idle.count > 0 ? c.idle.median : shown.median;
  StatTexels t;
  t.levels = {static_cast<float>(LatencyScale(shown.median)),
              static_cast<float>(LatencyScale(idleLatency)),
              static_cast<float>(LatencyScale(shown.p99)),
              static_cast<float>(ClampToRange(shown.stdev / 2.05 * 0.8, 0.0, 1.0))};
  t.score = {ToFloat(c.score), static_cast<float>(ClampToRange(shown.latePct / 100, 0.0, 1.0)),
             1.0f, 0.0f};
  return t;
}

}  // namespace

void BuildStatColumns(const std::vector<CandidateView>& candidates,
                      std::array<StatTexels, kLatticeSize>& stats) {
  stats.fill({});
  for (const CandidateView& c : candidates) {
    const PatternView& shown = c.loop.count > 0 ? c.loop : c.idle;
    stats[LatticeColumn(shown.latePct / 100)] = TexelsOf(c);
  }
}

ChartData::ChartData() = default;

void ChartData::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  ring_.fill({});
  totals_.sampleCount = 0;
  totals_.latestPeriod = 0;
  pass_ = 0;
  verifying_ = false;
  ++feed_epoch_;
  ClearPicture();
  stats_.fill({});
  ++stats_version_;
}

void ChartData::ClearPicture() {
  totals_.histogram.fill(0);
  totals_.histogramCount = 0;
  totals_.totalLate = 0;
  periods_.fill({});
  overflow_period_ = {};
  cells_.fill({});
  for (int i = 0; i < dirty_count_; ++i) dirty_[dirty_list_[i]] = false;
  dirty_count_ = 0;
  ++pass_epoch_;
}

ChartData::PeriodCount& ChartData::PeriodRecord(std::uint32_t period) {
  std::uint32_t slot = SlotHash(period);
  for (int probe = 0; probe < kPeriodSlots; ++probe) {
    PeriodCount& record = periods_[slot];
    if (!record.used) {
      record.used = true;
      record.period = period;
      return record;
    }
    if (record.period == period) return record;
    slot = (slot + 1) % kPeriodSlots;
  }
  return overflow_period_;
}

void ChartData::CountInCell(int index, bool afterIdle, bool late) {
  LatticeCell& cell = cells_[index];
  // The counters of a cell freeze together, so its ratios stay those of the samples counted.
  if (cell.all == kCellCountLimit) return;
  ++cell.all;
  ++(afterIdle ? cell.afterIdle : cell.backToBack);
  if (late) ++cell.late;
  if (!dirty_[index]) {
    dirty_[index] = true;
    dirty_list_[dirty_count_++] = static_cast<std::uint16_t>(index);
  }
}

void ChartData::AddSample(std::uint32_t requested, double overshootMs, bool afterIdle,
                          double seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  ring_[totals_.sampleCount % kRingSize] = {ToFloat(overshootMs), ToFloat(seconds), requested,
                                            afterIdle};
  ++totals_.sampleCount;
  totals_.latestPeriod = requested;

  ++totals_.histogram[HistogramBin(overshootMs)];
  ++totals_.histogramCount;

  const bool late = IsLateSample(requested, overshootMs);
  if (late) ++totals_.totalLate;

  // Both counts stop together at the limit: a late count that ran on alone would walk the
  // period's late share up to 1 and move its samples into the wrong lattice column.
  PeriodCount& record = PeriodRecord(requested);
  if (record.samples < kPeriodCountLimit) {
    ++record.samples;
    if (late) ++record.late;
  }
  const double lateFraction = static_cast<double>(record.late) / record.samples;
  CountInCell(LatticeRow(overshootMs) * kLatticeSize + LatticeColumn(lateFraction), afterIdle,
              late);
}

void ChartData::PublishSweep(std::int32_t pass, const std::vector<CandidateView>& candidates) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Pass 0 is the merged report after the last pass: it keeps the last pass's picture.
  if (pass > 0 && pass != pass_) {
    pass_ = pass;
    ClearPicture();
  }
  BuildStatColumns(candidates, stats_);
  ++stats_version_;
}

void ChartData::PublishVerify(const std::vector<CandidateView>& finalists) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!verifying_) {
    verifying_ = true;
    ClearPicture();
  }
  BuildStatColumns(finalists, stats_);
  ++stats_version_;
}

void ChartData::CopyInto(ChartSnapshot& snapshot) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (snapshot.feedEpoch != feed_epoch_) {
    snapshot.ring = ring_;
  } else {
    // Entries older than one ring length were overwritten before this copy; only the last
    // kRingSize can still be read.
    const std::uint64_t first =
        std::max(snapshot.totals.sampleCount,
                 totals_.sampleCount > kRingSize ? totals_.sampleCount - kRingSize : 0);
    for (std::uint64_t k = first; k < totals_.sampleCount; ++k) {
      snapshot.ring[k % kRingSize] = ring_[k % kRingSize];
    }
  }
  snapshot.feedEpoch = feed_epoch_;
  snapshot.totals = totals_;

  if (snapshot.passEpoch != pass_epoch_) {
    snapshot.cells = cells_;
    snapshot.passEpoch = pass_epoch_;
  } else {
    for (int i = 0; i < dirty_count_; ++i) snapshot.cells[dirty_list_[i]] = cells_[dirty_list_[i]];
  }
  for (int i = 0; i < dirty_count_; ++i) dirty_[dirty_list_[i]] = false;
  dirty_count_ = 0;

  if (snapshot.statsVersion != stats_version_) {
    snapshot.stats = stats_;
    snapshot.statsVersion = stats_version_;
  }
}

}  // namespace gui
