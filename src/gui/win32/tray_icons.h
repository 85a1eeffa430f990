// The tray's icons: the program icon rendered at 128 x 128, cropped to what it draws and
// scaled to the tray's size, plain or dimmed for the blink of a pending update. Each size
// and state is made once and kept until exit, so a blink every 450 ms creates nothing.
#pragma once

#include <windows.h>

#include <optional>

#include "gui/tray_icon.h"

namespace gui::win32 {

class TrayIcons {
 public:
  TrayIcons();
  ~TrayIcons();
  TrayIcons(const TrayIcons&) = delete;
  TrayIcons& operator=(const TrayIcons&) = delete;

  // Null when the icon cannot be made (the caller then uses a system icon).
  HICON Get(UINT dpi, bool dimmed) { return cache_.Get(TrayIconSize(dpi), dimmed); }
  std::size_t size() const { return cache_.Icons().size(); }

 private:
  HICON Make(int size, bool dimmed);

  std::optional<IconPixels> source_;  // read once, on the first icon made
  bool sourceRead_ = false;
  TrayIconCache<HICON> cache_;
};

}  // namespace gui::win32
