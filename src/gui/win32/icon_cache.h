// The program icon at each pixel size the window and the tray have asked for, loaded once
// per size and kept until exit: a DPI change or a tray refresh reuses a handle instead of
// making a new one, so the process's icon handles do not grow.
#pragma once

#include <windows.h>

#include <algorithm>
#include <map>

namespace gui::win32 {

class IconCache {
 public:
  IconCache() = default;
  ~IconCache();
  IconCache(const IconCache&) = delete;
  IconCache& operator=(const IconCache&) = delete;

  // The program icon at `size` x `size` pixels; the standard application icon when the
  // resource cannot be loaded.
  HICON Get(int size);
  // Window icon sizes for `dpi`: the system's, at least 48 and 24 pixels.
  HICON Big(UINT dpi) { return Get(std::max(::GetSystemMetricsForDpi(SM_CXICON, dpi), 48)); }
  HICON Small(UINT dpi) { return Get(std::max(::GetSystemMetricsForDpi(SM_CXSMICON, dpi), 24)); }
  std::size_t size() const { return icons_.size(); }

 private:
  std::map<int, HICON> icons_;
};

}  // namespace gui::win32
