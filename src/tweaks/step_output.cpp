#include "tweaks/step_output.h"

#include "app/feed.h"
#include "tweaks/tweak_records.h"

void PublishRows(const std::vector<TweakRow>& rows) {
  gui::Feed* feed = CurrentFeed();
  if (feed == nullptr) return;
  feed->SetRows(rows);
  feed->SetProgress(RowsProgress(rows), 0, 0);
}

void ShowStepItem(const std::wstring& title, const std::wstring& text) {
  if (gui::Feed* feed = CurrentFeed()) feed->ShowItem(title, text);
}

void ShowStepStatus(const std::wstring& tag, const std::wstring& text) {
  if (gui::Feed* feed = CurrentFeed()) feed->ShowStatus(tag, text);
}

bool StepCancelled() {
  gui::Feed* feed = CurrentFeed();
  return feed != nullptr && feed->IsCancelled();
}

void SetRowState(std::vector<TweakRow>& rows, std::size_t index, int state,
                 const std::wstring* detail) {
  rows[index].state = state;
  if (detail != nullptr) rows[index].detail = *detail;
  PublishRows(rows);
}

void StartRow(std::vector<TweakRow>& rows, std::size_t index) {
  SetRowState(rows, index, kRowRunning);
  ShowStepItem(rows[index].title, rows[index].explanation);
}
