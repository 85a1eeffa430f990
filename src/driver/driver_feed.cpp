#include "driver/driver_feed.h"

#include "app/feed.h"
#include "app/output.h"

void DriverLine(gui::Feed* feed, const std::wstring& text) {
  if (feed != nullptr && feed != CurrentFeed()) feed->AddLine(text);
  PrintInfo(text);
}

void DriverStatus(gui::Feed* feed, const std::wstring& detail) {
  if (feed != nullptr) feed->ShowStatus(L"GPU CLEAN", detail);
}

void DriverItem(gui::Feed* feed, const std::wstring& title, const std::wstring& text) {
  if (feed != nullptr) feed->ShowItem(title, text);
}

void DriverProgress(gui::Feed* feed, double fraction) {
  if (feed != nullptr) feed->SetProgress(fraction, 0, 0);
}

bool IsStopped(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

std::wstring ExitCodeText(std::uint32_t code) {
  return code < 256 ? Format(L"%u", code) : Format(L"0x%08X", code);
}
