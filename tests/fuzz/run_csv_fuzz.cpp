// Run files come from disk and may be damaged or hand-edited: every line of the input is
// read as a run file row, and whatever is accepted must be foldable.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "measure/aggregate_master.h"
#include "measure/csv_text.h"
#include "measure/run_row.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<RunRow> rows;
  for (std::string_view line : SplitLines(bytes)) {
    const auto row = ParseRunCsvRow(line);
    if (!row) continue;
    if (row->requested == 0 || (row->loop_n < 2 && row->idle_n < 2)) __builtin_trap();
    rows.push_back(*row);
  }
  // Non-finite or overflowing statistics may arrive; they must never reach the totals.
  AggregateMaster master;
  FoldRunRows(master, rows);
  for (const auto& [requested, e] : master) {
    if (requested == 0 || e.requested != requested || e.runs != 1) __builtin_trap();
    for (double v : {e.loop_w, e.idle_w, e.score_w, e.loop_median_s, e.loop_mean_s, e.loop_stdev_s,
                     e.loop_late_s, e.loop_score_s, e.idle_median_s, e.idle_mean_s, e.idle_stdev_s,
                     e.idle_late_s, e.idle_score_s, e.score_s}) {
      if (!std::isfinite(v)) __builtin_trap();
    }
  }
  return 0;
}
