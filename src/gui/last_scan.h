// Home's picture of the newest saved scan: the lattice of the last run file in the data
// folder, rebuilt from its rows because the run keeps no samples. Each row's pattern lands
// with all its wakes in the cell of its late share and typical latency, as one live sample
// with that overshoot would, so the picture has the live lattice's shape at the scan's
// resolution. The file may have been written by anyone: sizes are bounded, counts saturate
// and non-finite values land on an edge.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "gui/chart_data.h"

namespace gui {

// Rows past this many are not replayed; a run writes one per candidate and finalist.
inline constexpr std::uint32_t kMaxLastScanRows = 4096;

struct RunFileStamp {
  std::wstring name;
  std::uint64_t written = 0;  // last write time, FILETIME units
  bool operator==(const RunFileStamp&) const = default;
};

struct LastScan {
  RunFileStamp file;       // empty name: no run file
  std::uint32_t rows = 0;  // rows replayed
  // Cells, statistics and totals (sampleCount, totalLate); null when no row was readable.
  std::shared_ptr<const ChartSnapshot> picture;
  bool Exists() const { return picture != nullptr; }
};

// Replays the "sweep" and "verify" rows of a run file's text into `picture`'s cells,
// statistics and totals, starting from empty; returns how many rows it replayed.
std::uint32_t ReplayRunRows(std::string_view text, ChartSnapshot& picture);

// The run file ("benchmark-*.csv") written last in `folder`; the later listed on equal times.
std::optional<RunFileStamp> NewestRunFile(const std::wstring& folder);
// The newest run file's picture, or nullopt when it is still `known` (nothing to read). A
// folder without run files, or a file that cannot be read, gives a LastScan that does not
// exist. Blocks on the disk: call it off the window thread.
std::optional<LastScan> LoadLastScan(const std::wstring& folder, const RunFileStamp& known);

}  // namespace gui
