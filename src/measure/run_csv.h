// The per-run CSV in the data folder: a stored format that the aggregate rebuilds from,
// so its column order and number formats never change. UTF-8, CR LF, C locale.
#pragma once

#include <span>
#include <string>

#include "measure/candidate.h"

// Data folder + "\benchmark-YYYYMMDD-HHMMSS.csv" at the current local time.
std::wstring RunCsvPath();
// The header line, CR LF included.
std::string RunCsvHeader();
// One row, CR LF included: "sweep" or "verify", then the 29 columns.
std::string FormatCsvRow(const char* phase, const Candidate& candidate);
// Replaced atomically; a folder that may not be written, or a failed write, is reported
// and gives false.
bool WriteRunCsv(const std::wstring& path, std::span<const Candidate> sweepCandidates,
                 std::span<const Candidate> finalists);
