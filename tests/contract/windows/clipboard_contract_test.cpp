// The report's way to the clipboard on the real USER32: what is put there is what another
// program reads back, whole, and a second copy replaces the first.
#include <gtest/gtest.h>

#include "gui/win32/clipboard.h"

namespace {

std::wstring ReadClipboardText() {
  if (!::OpenClipboard(nullptr)) return L"<not opened>";
  std::wstring text = L"<no text>";
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* at = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = at;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

TEST(ClipboardContractTest, TextComesBackWholeAndReplacesWhatWasThere) {
  const std::wstring report = L"Veltrane 2.10.1 report\r\nGPU: Kärtchen \u00e9\r\n";
  ASSERT_TRUE(gui::win32::CopyToClipboard(nullptr, L"something older"));
  ASSERT_TRUE(gui::win32::CopyToClipboard(nullptr, report));
  EXPECT_EQ(ReadClipboardText(), report);
}

}  // namespace
