#include "measure/report.h"

#include "app/output.h"

namespace {

double Ms(std::uint32_t units) { return units / 10000.0; }

void PrintPatternSummary(const wchar_t* label, const SampleStats& s) {
  PrintInfo(
      Format(L"  %ls overshoot median %+0.4f ms, mean %+0.4f, stdev %0.4f, p99 %+0.4f; "
             L"%llu of %llu samples (%.2f%%) slept one tick longer",
             label, s.median, s.mean, s.stdev, s.p99, static_cast<unsigned long long>(s.lateCount),
             static_cast<unsigned long long>(s.count), s.latePct));
}

}  // namespace

void PrintTableHeader() {
  PrintInfo(L"            back-to-back Sleep(1) loop ------------------  after 2-5 ms idle --");
  PrintInfo(L"  res (ms)       n    median      mean   stdev  late%  |     mean  late%  |   score");
}

void PrintCandidateRow(const Candidate& c, const std::wstring& note) {
  if (!c.HasData()) {
    const std::wstring why =
        c.interferer != 0 ? Format(L"skipped: another process held %.4f ms", Ms(c.interferer))
                          : std::wstring(L"skipped");
    PrintInfo(Format(L"  %8.4f  %6ls  %ls", Ms(c.requested), L"-", why.c_str()));
    return;
  }
  const unsigned long long n = c.loopSamples.size() + c.idleSamples.size();
  PrintInfo(
      Format(L"  %8.4f  %6llu  %+8.4f  %+8.4f  %6.4f  %5.1f%%  | %+8.4f  %5.1f%%  |  %6.4f  %ls",
             Ms(c.requested), n, c.loopStats.median, c.loopStats.mean, c.loopStats.stdev,
             c.loopStats.latePct, c.idleStats.mean, c.idleStats.latePct, c.score, note.c_str()));
}

void PrintBenchmarkSummary(const BenchmarkResult& r) {
  PrintInfo(
      Format(L"\nSelected: %u (%.4f ms), score %.4f ms", r.selected, Ms(r.selected), r.score));
  PrintPatternSummary(L"back-to-back Sleep(1):", r.loopStats);
  PrintPatternSummary(L"after 2-5 ms idle:    ", r.idleStats);
  PrintInfo(Format(L"  = best measured resolution (%.4f ms) + %.4f ms safety margin",
                   Ms(r.bestMeasured), Ms(r.margin)));
  if (r.timerToSet != 0 && r.selected != 0 && r.timerToSet != r.selected) {
    PrintInfo(
        Format(L"  timer to set: %.4f ms, the lowest aggregate score (this run selected "
               L"%.4f ms)",
               Ms(r.timerToSet), Ms(r.selected)));
  }
  if (r.firstClean != 0) {
    PrintInfo(Format(L"  first resolution that never missed a tick: %.4f ms", Ms(r.firstClean)));
  } else {
    PrintInfo(
        L"  no resolution in the range was free of missed ticks; misses are wake-up latency "
        L"(deep C-states, long DPCs) exceeding the slack 2R - 1 ms. A High Performance power "
        L"plan or disabling deep C-states in firmware usually lowers the miss rate.");
  }
  if (r.baseline.count > 0) {
    PrintInfo(
        Format(L"  vs %+0.4f ms median overshoot with no resolution requested", r.baseline.median));
  }
  if (!r.csvPath.empty()) PrintInfo(Format(L"  per-candidate data: %ls", r.csvPath.c_str()));
}
