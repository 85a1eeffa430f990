// The tray's icons on the real USER32 and GDI: the size the tray asks for, a dimmed twin,
// and a thousand blinks that create no handle.
#include <gtest/gtest.h>

#include "gui/win32/tray_icons.h"

namespace {

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  ::GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

TEST(TrayIconsContractTest, SizesForTheDpiAndBlinksWithoutNewHandles) {
  gui::win32::TrayIcons icons;
  const HICON plain = icons.Get(96, false);
  const HICON dimmed = icons.Get(96, true);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(dimmed, nullptr);
  EXPECT_NE(plain, dimmed);
  EXPECT_EQ(IconWidth(plain), 32);  // 16 at 96 DPI, raised to the least of 32
  EXPECT_EQ(IconWidth(icons.Get(288, false)), 48);
  const HANDLE process = ::GetCurrentProcess();
  const DWORD user = ::GetGuiResources(process, GR_USEROBJECTS);
  const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
  for (int blink = 0; blink < 1000; ++blink) {
    ASSERT_EQ(icons.Get(96, blink % 2 == 1), blink % 2 == 1 ? dimmed : plain);
  }
  EXPECT_EQ(::GetGuiResources(process, GR_USEROBJECTS), user);
  EXPECT_EQ(::GetGuiResources(process, GR_GDIOBJECTS), gdi);
  EXPECT_EQ(icons.size(), 3u);
}

}  // namespace
