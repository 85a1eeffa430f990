#include "gui/tray_icon.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

TEST(GuiTrayIcon, SizeForTheDpi) {
  const std::pair<unsigned, int> rows[] = {{72, 32},  {96, 32},  {192, 32}, {240, 40},
                                           {288, 48}, {384, 64}, {480, 64}};
  for (const auto& [dpi, size] : rows) EXPECT_EQ(TrayIconSize(dpi), size) << dpi;
}

// A 4 x 4 image whose drawn part is the 2 x 2 block at (1, 1); a faint pixel (alpha 20) at
// the corner does not count as drawn.
TEST(GuiTrayIcon, CropsToWhatIsDrawnScalesAndDims) {
  IconPixels image{4, 4, std::vector<std::uint32_t>(16, 0)};
  image.bgra[0] = 0x14FFFFFFu;
  image.bgra[5] = 0xFF0000FFu;   // (1, 1) blue
  image.bgra[6] = 0xFF00FF00u;   // (2, 1) green
  image.bgra[9] = 0xFFFF0000u;   // (1, 2) red
  image.bgra[10] = 0x15030303u;  // (2, 2) alpha 21: drawn
  const PixelBox box = OpaqueBounds(image);
  EXPECT_EQ(box.x, 1);
  EXPECT_EQ(box.y, 1);
  EXPECT_EQ(box.width, 2);
  EXPECT_EQ(box.height, 2);
  const IconPixels scaled = CropAndScale(image, box, 4);
  const std::vector<std::uint32_t> expected = {
      0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u,  //
      0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u,  //
      0xFFFF0000u, 0xFFFF0000u, 0x15030303u, 0x15030303u,  //
      0xFFFF0000u, 0xFFFF0000u, 0x15030303u, 0x15030303u};
  EXPECT_EQ(scaled.bgra, expected);
  const IconPixels dim = Dimmed(IconPixels{1, 2, {0xFF0000FFu, 0x15030303u}});
  EXPECT_EQ(dim.bgra, (std::vector<std::uint32_t>{0x55000055u, 0x07010101u}));
  IconPixels empty{2, 2, std::vector<std::uint32_t>(4, 0x14FFFFFFu)};
  const PixelBox whole = OpaqueBounds(empty);
  EXPECT_EQ(whole.width * whole.height, 4);
}

TEST(GuiTrayIcon, CacheMakesEachSizeAndStateOnce) {
  int made = 0;
  TrayIconCache<int> cache([&](int size, bool dimmed) {
    ++made;
    return size * 2 + (dimmed ? 1 : 0);
  });
  for (int blink = 0; blink < 1000; ++blink) cache.Get(32, blink % 2 == 1);
  EXPECT_EQ(cache.Get(48, false), 96);
  EXPECT_EQ(made, 3);
}

}  // namespace
}  // namespace gui
