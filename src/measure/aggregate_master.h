// The aggregate's totals per timer interval, their merge rule and the file format of
// aggregate-master.csv. Totals are sums and weights, never means, so that folding one
// more run is an addition.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "measure/run_row.h"

struct AggregateEntry {
  std::uint32_t requested = 0;  // 100-ns units; the key
  std::uint32_t runs = 0;       // runs that contributed samples at this interval
  double loop_w = 0;            // total back-to-back samples
  double idle_w = 0;            // total idle-gap samples
  double score_w = 0;           // total samples of rows whose score was finite
  double loop_median_s = 0, loop_mean_s = 0, loop_stdev_s = 0, loop_late_s = 0, loop_score_s = 0;
  double idle_median_s = 0, idle_mean_s = 0, idle_stdev_s = 0, idle_late_s = 0, idle_score_s = 0;
  double score_s = 0;
};

// Ascending interval order is the file's row order and the choice's tie-break.
using AggregateMaster = std::map<std::uint32_t, AggregateEntry>;

// Adds one run: every distinct non-zero interval among `rows` counts the run once.
// A statistic whose run mean is not finite adds nothing to its sum; the weights still grow.
void FoldRunRows(AggregateMaster& master, std::span<const RunRow> rows);

// The file's text: header line, then one line per interval, LF endings, "%.17g" numbers
// (read back bit-identical).
std::string FormatAggregate(const AggregateMaster& master);
// Reads the text back. Header, short, zero-interval and damaged lines (a total that is
// not finite or a negative weight) are skipped; a later line for the same interval
// replaces an earlier one.
AggregateMaster ParseAggregate(std::string_view bytes);
// `folder` + "\aggregate-master.csv"; a file that cannot be read is an empty aggregate.
std::wstring AggregatePath(const std::wstring& folder);
AggregateMaster LoadAggregate(const std::wstring& folder);
