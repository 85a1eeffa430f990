// The shell's folder picker for the Settings panel's folders.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace gui::win32 {

struct PickedFolder {
  std::optional<std::wstring> folder;  // none: cancelled, or the picker failed
  std::wstring error;                  // why the picker could not be shown
};

// Shows the modern folder dialog titled `title` over `owner` (only file-system folders
// can be chosen). The calling thread must be in a single-threaded apartment.
PickedFolder PickFolder(HWND owner, const std::wstring& title);

}  // namespace gui::win32
