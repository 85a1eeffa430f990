// The program icon cache on the real USER32: one handle per size, reused however often it is
// asked for, so DPI changes and tray refreshes do not grow the process's icon handles.
#include <gtest/gtest.h>

#include "gui/win32/icon_cache.h"

namespace {

TEST(IconCacheContractTest, LoadsEachSizeOnceAndReusesIt) {
  gui::win32::IconCache icons;
  const HICON small = icons.Get(16);
  ASSERT_NE(small, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(small, &info));
  BITMAP bitmap{};
  // The colour plane of a 16 px icon is 16 px wide (the mask of a monochrome one is two
  // icons high, its width the same).
  EXPECT_TRUE(::GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap),
                           &bitmap));
  EXPECT_EQ(bitmap.bmWidth, 16);
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);

  const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(icons.Get(16), small);
    icons.Big(96);
    icons.Small(192);
  }
  EXPECT_LE(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), before + 2);
  // 16, the large icon at 96 DPI (at least 48) and the small one at 192 DPI (at least 24).
  EXPECT_EQ(icons.size(), 3u);
}

}  // namespace
