#include "gui/scroll_list.h"

#include <algorithm>
#include <cmath>

#include "gui/chart_rules.h"

namespace gui {

void ScrollList::Layout(int rows, float rowHeight, float viewHeight) {
  rows_ = std::max(rows, 0);
  row_height_ = static_cast<float>(ClampToRange(rowHeight, 1.0, 1e4));
  view_height_ = static_cast<float>(ClampToRange(viewHeight, 0.0, 1e6));
  Clamp();
}

float ScrollList::MaxOffset() const { return std::max(0.0f, rows_ * row_height_ - view_height_); }

void ScrollList::Clamp() { offset_ = static_cast<float>(ClampToRange(offset_, 0.0, MaxOffset())); }

void ScrollList::Page(int direction) {
  offset_ += direction * std::max(row_height_, view_height_ - row_height_);
  Clamp();
}

void ScrollList::Wheel(float pixels) {
  if (std::isfinite(pixels)) offset_ += pixels;
  Clamp();
}

void ScrollList::EnsureVisible(int row) {
  if (row < 0 || row >= rows_) return;
  const float top = row * row_height_;
  if (top < offset_) offset_ = top;
  if (top + row_height_ > offset_ + view_height_) offset_ = top + row_height_ - view_height_;
  Clamp();
}

int ScrollList::FirstVisible() const {
  return std::min(rows_, static_cast<int>(offset_ / row_height_));
}

int ScrollList::VisibleCount() const {
  const int last = static_cast<int>(std::ceil((offset_ + view_height_) / row_height_));
  return std::max(0, std::min(rows_, last) - FirstVisible());
}

}  // namespace gui
