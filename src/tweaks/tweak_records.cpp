#include "tweaks/tweak_records.h"

namespace {

constexpr double kRunningShare = 0.35;

}  // namespace

double RowsProgress(const std::vector<TweakRow>& rows) {
  if (rows.empty()) return 0.0;
  double finished = 0.0;
  bool running = false;
  for (const TweakRow& row : rows) {
    if (row.state == kRowDone || row.state == kRowFailed) finished += 1.0;
    if (row.state == kRowRunning) running = true;
  }
  if (running) finished += kRunningShare;
  return finished / static_cast<double>(rows.size());
}

TweakRow PendingRow(const wchar_t* id, const wchar_t* title, const wchar_t* explanation,
                    const wchar_t* detail) {
  return TweakRow{id, title, explanation, detail, kRowPending};
}
