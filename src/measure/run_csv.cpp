#include "measure/run_csv.h"

#include <charconv>

#include "app/output.h"
#include "measure/atomic_file.h"
#include "measure/data_file.h"
#include "platform/clock.h"
#include "platform/system.h"

namespace {

constexpr const char* kStatNames[] = {"n",        "median_ms", "mean_ms", "stdev_ms",
                                      "p1_ms",    "p95_ms",    "p99_ms",  "max_ms",
                                      "late_pct", "score_ms",  "clean"};

// Fixed-point text that never depends on the process locale.
void AppendFixed(std::string& out, double value, int digits) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  out.append(buffer, ec == std::errc{} ? end : buffer);
}

void AppendUnsigned(std::string& out, std::uint64_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  out.append(buffer, end);
}

void AppendStats(std::string& out, const SampleStats& s) {
  AppendUnsigned(out, static_cast<std::uint32_t>(s.count));
  for (double v : {s.median, s.mean, s.stdev, s.p1, s.p95, s.p99, s.max}) {
    out += ',';
    AppendFixed(out, v, 5);
  }
  out += ',';
  AppendFixed(out, s.latePct, 3);
  out += ',';
  AppendFixed(out, s.score, 5);
  out += s.clean ? ",1" : ",0";
}

}  // namespace

std::wstring RunCsvPath() {
  const platform::LocalTime t = platform::Sys().clock.Now();
  return DataFolder() + Format(L"\\benchmark-%04u%02u%02u-%02u%02u%02u.csv", t.year, t.month, t.day,
                               t.hour, t.minute, t.second);
}

std::string RunCsvHeader() {
  std::string header = "phase,requested_units,actual_units,requested_ms";
  for (const char* prefix : {"loop_", "idle_"}) {
    for (const char* name : kStatNames) {
      header += ',';
      header += prefix;
      header += name;
    }
  }
  header += ",score_ms,clean,dropped,interferer_units\r\n";
  return header;
}

std::string FormatCsvRow(const char* phase, const Candidate& c) {
  std::string row = phase;
  row += ',';
  AppendUnsigned(row, c.requested);
  row += ',';
  AppendUnsigned(row, c.actual);
  row += ',';
  AppendFixed(row, c.requested / 10000.0, 4);
  row += ',';
  AppendStats(row, c.loopStats);
  row += ',';
  AppendStats(row, c.idleStats);
  row += ',';
  AppendFixed(row, c.score, 5);
  row += c.clean ? ",1," : ",0,";
  AppendUnsigned(row, c.dropped);
  row += ',';
  AppendUnsigned(row, c.interferer);
  row += "\r\n";
  return row;
}

bool WriteRunCsv(const std::wstring& path, std::span<const Candidate> sweepCandidates,
                 std::span<const Candidate> finalists) {
  const std::size_t slash = path.find_last_of(L'\\');
  if (!ReadyToWrite(slash == std::wstring::npos ? DataFolder() : path.substr(0, slash)).empty()) {
    return false;
  }
  std::string text = RunCsvHeader();
  for (const Candidate& c : sweepCandidates) text += FormatCsvRow("sweep", c);
  for (const Candidate& c : finalists) text += FormatCsvRow("verify", c);
  const support::Status written = WriteFileAtomically(path, text);
  if (!written) ReportDataFileFailure(path, written.error());
  return written.ok();
}
