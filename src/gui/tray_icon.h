// The tray icon's pixels: the program icon rendered large, cropped to what is drawn, scaled
// to the tray's size for the monitor's DPI, and dimmed for the blink of a pending update.
// The images are made once per size and state and kept, so a blink creates nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace gui {

// Premultiplied BGRA, one 32-bit word per pixel (blue in the low byte), rows top down.
struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;
};

struct PixelBox {
  int x = 0, y = 0, width = 0, height = 0;
};

inline constexpr std::uint8_t kCropAlpha = 20;

// The smallest box holding every pixel whose alpha is above kCropAlpha; the whole image
// when none is.
PixelBox OpaqueBounds(const IconPixels& image);

// The tray's edge in pixels: the small-icon size (16 at 96 DPI) for `dpi`, never below
// 96 DPI, kept within 32 .. 64.
int TrayIconSize(unsigned dpi);

// `box` of `image` scaled to size x size, nearest sample.
IconPixels CropAndScale(const IconPixels& image, PixelBox box, int size);

// Every channel divided by 3: still premultiplied, a third as bright and as opaque.
IconPixels Dimmed(IconPixels image);

// Icons by (size, dimmed), made on first use and kept for the run.
template <typename Handle>
class TrayIconCache {
 public:
  using Make = std::function<Handle(int size, bool dimmed)>;
  explicit TrayIconCache(Make make) : make_(std::move(make)) {}

  Handle Get(int size, bool dimmed) {
    const auto key = std::make_pair(size, dimmed);
    auto found = icons_.find(key);
    if (found == icons_.end()) found = icons_.emplace(key, make_(size, dimmed)).first;
    return found->second;
  }

  // The icons made so far, for the owner to destroy.
  const std::map<std::pair<int, bool>, Handle>& Icons() const { return icons_; }

 private:
  Make make_;
  std::map<std::pair<int, bool>, Handle> icons_;
};

}  // namespace gui
