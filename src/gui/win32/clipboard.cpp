#include "gui/win32/clipboard.h"

#include <cstring>

namespace gui::win32 {
namespace {

// Another program may hold the clipboard for a moment (a clipboard manager reading what
// was just copied): a few short tries, never a long stall of the window.
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMs = 20;

}  // namespace

bool CopyToClipboard(HWND owner, const std::wstring& text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* at = ::GlobalLock(memory);
  if (at == nullptr) {
    ::GlobalFree(memory);
    return false;
  }
  std::memcpy(at, text.c_str(), bytes);
  ::GlobalUnlock(memory);
  bool opened = false;
  for (int attempt = 0; attempt < kOpenAttempts && !opened; ++attempt) {
    if (attempt > 0) ::Sleep(kOpenRetryMs);
    opened = ::OpenClipboard(owner) != FALSE;
  }
  if (!opened) {
    ::GlobalFree(memory);
    return false;
  }
  const bool placed =
      ::EmptyClipboard() != FALSE && ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  ::CloseClipboard();
  // The system owns the memory only once it took it.
  if (!placed) ::GlobalFree(memory);
  return placed;
}

}  // namespace gui::win32
