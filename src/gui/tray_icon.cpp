#include "gui/tray_icon.h"

#include <algorithm>

namespace gui {

PixelBox OpaqueBounds(const IconPixels& image) {
  int left = image.width, top = image.height, right = -1, bottom = -1;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t pixel = image.bgra[static_cast<std::size_t>(y) * image.width + x];
      if ((pixel >> 24) <= kCropAlpha) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {0, 0, image.width, image.height};
  return {left, top, right - left + 1, bottom - top + 1};
}

int TrayIconSize(unsigned dpi) {
  const unsigned effective = std::max(dpi, 96u);
  return std::clamp(static_cast<int>(16u * effective / 96u), 32, 64);
}

IconPixels CropAndScale(const IconPixels& image, PixelBox box, int size) {
  IconPixels out{size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size)};
  for (int y = 0; y < size; ++y) {
    // The centre of each target pixel, mapped back into the box.
    const int sy = box.y + (2 * y + 1) * box.height / (2 * size);
    for (int x = 0; x < size; ++x) {
      const int sx = box.x + (2 * x + 1) * box.width / (2 * size);
      out.bgra[static_cast<std::size_t>(y) * size + x] =
          image.bgra[static_cast<std::size_t>(sy) * image.width + sx];
    }
  }
  return out;
}

IconPixels Dimmed(IconPixels image) {
  for (std::uint32_t& pixel : image.bgra) {
    std::uint32_t dim = 0;
    for (int shift = 0; shift < 32; shift += 8) dim |= (((pixel >> shift) & 0xFFu) / 3u) << shift;
    pixel = dim;
  }
  return image;
}

}  // namespace gui
