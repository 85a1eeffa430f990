// Putting text on the clipboard for the user to paste elsewhere (Home's report).
#pragma once

#include <windows.h>

#include <string>

namespace gui::win32 {

// Replaces the clipboard's content with `text` as Unicode text, owned by `owner` (may be
// null). False when the clipboard stayed busy with another program or memory ran out; the
// clipboard is then left as it was or empty.
bool CopyToClipboard(HWND owner, const std::wstring& text);

}  // namespace gui::win32
