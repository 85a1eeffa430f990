// The Measure screen's charts: the Live trace of the newest wakes, the histogram of this
// pass, the Sweep curve of every candidate's score and the Verification bars of the
// finalists. The window feeds each frame's copy of the Measure feed in; the samples are
// counted here, on the window thread, so the measurement's own AddSample stays a copy into
// a ring.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "gui/canvas.h"
#include "gui/chart_data.h"
#include "gui/shared_state.h"

namespace gui {

class MeasureCharts {
 public:
  MeasureCharts();
  // Takes the samples and lists a snapshot brought since the last call; a reset of the
  // feed (a new run) starts the charts again.
  void Take(const FeedSnapshot& feed);
  const ChartSnapshot& Snapshot() const { return *snapshot_; }
  // Changes whenever the lattice cells or statistics of the snapshot may have.
  std::uint64_t LatticeVersion() const { return latticeVersion_; }

 private:
  std::unique_ptr<ChartData> data_;
  std::unique_ptr<ChartSnapshot> snapshot_;
  std::uint64_t resets_ = ~0ull;
  std::int32_t pass_ = 0;
  std::size_t finalists_ = 0;
  std::int32_t verifyActive_ = -2;
  std::array<std::uint64_t, 4> latticeKey_{};
  std::uint64_t latticeVersion_ = 0;
};

// The lattice sources the window can draw: this run's samples, and Home's last saved scan.
inline constexpr int kLiveLattice = 0;
inline constexpr int kLastScanLattice = 1;
inline constexpr int kLatticeSources = 2;

// Draws the panels in `area` from the charts and the feed's lists: Live, Histogram, Sweep and
// Verification, and the live Lattice beside them.
void DrawMeasurePanels(Canvas& canvas, Rect area, const ChartSnapshot& charts,
                       const FeedSnapshot& feed);

}  // namespace gui
