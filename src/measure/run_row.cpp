#include "measure/run_row.h"

#include "measure/csv_text.h"

std::optional<RunRow> ParseRunCsvRow(std::string_view line) {
  if (!line.starts_with("sweep,") && !line.starts_with("verify,")) return std::nullopt;
  std::string_view f[27];
  if (SplitFieldsInto(line, f) < 27) return std::nullopt;
  RunRow row;
  row.requested = ParseUnsigned(f[1]);
  row.loop_n = ParseUnsigned(f[4]);
  row.loop_median = ParseDouble(f[5]);
  row.loop_mean = ParseDouble(f[6]);
  row.loop_stdev = ParseDouble(f[7]);
  row.loop_late = ParseDouble(f[12]);
  row.loop_score = ParseDouble(f[13]);
  row.idle_n = ParseUnsigned(f[15]);
  row.idle_median = ParseDouble(f[16]);
  row.idle_mean = ParseDouble(f[17]);
  row.idle_stdev = ParseDouble(f[18]);
  row.idle_late = ParseDouble(f[23]);
  row.idle_score = ParseDouble(f[24]);
  row.score = ParseDouble(f[26]);
  if (row.requested == 0 || (row.loop_n < 2 && row.idle_n < 2)) return std::nullopt;
  return row;
}
