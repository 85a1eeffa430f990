// The console tables of a run and the summary block the console flows print. Lines go
// through PrintInfo, so they also reach the log and the feed.
#pragma once

#include <string>

#include "measure/benchmark.h"
#include "measure/candidate.h"

void PrintTableHeader();
// `note` follows the row of a candidate with data; a candidate without data is shown as
// skipped, with the period that masked it when known.
void PrintCandidateRow(const Candidate& candidate, const std::wstring& note);
void PrintBenchmarkSummary(const BenchmarkResult& result);
