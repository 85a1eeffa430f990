// A list of rows taller than its box (CPU Tune's 24 rows, GPU Config's 32 at the smallest
// window): which rows show, and how PgUp/PgDn, the wheel and keyboard focus move them.
#pragma once

namespace gui {

class ScrollList {
 public:
  // Called every frame with the rows and box of that frame; the offset is clamped to them.
  void Layout(int rows, float rowHeight, float viewHeight);
  // One page less one row, so the row at the edge stays in sight.
  void Page(int direction);
  void Wheel(float pixels);
  // Scrolls just enough for `row` to be wholly visible (the focused row).
  void EnsureVisible(int row);

  float Offset() const { return offset_; }
  int FirstVisible() const;
  // Rows at least partly visible from FirstVisible().
  int VisibleCount() const;
  bool CanScroll() const { return MaxOffset() > 0; }

 private:
  float MaxOffset() const;
  void Clamp();

  int rows_ = 0;
  float row_height_ = 1, view_height_ = 0, offset_ = 0;
};

}  // namespace gui
