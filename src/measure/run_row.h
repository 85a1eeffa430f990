// One measured candidate of one run as the aggregate folds it, and the reader of the
// rows of a per-run CSV file.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

struct RunRow {
  std::uint32_t requested = 0;  // 100-ns units
  std::uint32_t loop_n = 0;
  double loop_median = 0, loop_mean = 0, loop_stdev = 0, loop_late = 0, loop_score = 0;
  std::uint32_t idle_n = 0;
  double idle_median = 0, idle_mean = 0, idle_stdev = 0, idle_late = 0, idle_score = 0;
  double score = 0;
};

// A "sweep," or "verify," line of a run file (without its line ending). nullopt for any
// other line, a line with too few fields, a zero period, or fewer than two samples in
// both patterns. Columns are read by position: the header repeats the name "clean".
std::optional<RunRow> ParseRunCsvRow(std::string_view line);
