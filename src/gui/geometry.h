// Positions and boxes in device-independent pixels (1/96 inch), the one unit every screen
// lays out in; the drawing layer applies the window's DPI.
#pragma once

namespace gui {

struct Point {
  float x = 0, y = 0;
};

struct Rect {
  float x = 0, y = 0, width = 0, height = 0;
  bool Contains(float px, float py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
  float Right() const { return x + width; }
  float Bottom() const { return y + height; }
};

}  // namespace gui
