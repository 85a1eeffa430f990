#include "gui/win32/icon_cache.h"

namespace gui::win32 {

namespace {
constexpr int kProgramIcon = 101;
}

IconCache::~IconCache() {
  for (const auto& [size, icon] : icons_) ::DestroyIcon(icon);
}

HICON IconCache::Get(int size) {
  if (const auto found = icons_.find(size); found != icons_.end()) return found->second;
  const auto icon = static_cast<HICON>(::LoadImageW(
      ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON, size, size, 0));
  // The shared system icon is never destroyed, so it is not cached.
  if (icon == nullptr) return ::LoadIconW(nullptr, IDI_APPLICATION);
  icons_.emplace(size, icon);
  return icon;
}

}  // namespace gui::win32
