#include "gui/card_layout.h"

#include <algorithm>

namespace gui {
namespace {

constexpr float kGap = 12;

// `count` cells of `columns` per row filling `area` row by row.
std::vector<Rect> Grid(const Rect& area, int count, int columns) {
  std::vector<Rect> cells;
  if (count <= 0) return cells;
  columns = std::clamp(columns, 1, count);
  const int rows = (count + columns - 1) / columns;
  const float w =
      (area.width - kGap * static_cast<float>(columns - 1)) / static_cast<float>(columns);
  const float h = (area.height - kGap * static_cast<float>(rows - 1)) / static_cast<float>(rows);
  for (int i = 0; i < count; ++i) {
    const float col = static_cast<float>(i % columns);
    const float row = static_cast<float>(i / columns);
    cells.push_back({area.x + col * (w + kGap), area.y + row * (h + kGap), w, h});
  }
  return cells;
}

}  // namespace

std::vector<Rect> LayoutCards(const Rect& area, int count, int measureIndex) {
  if (count <= 0) return {};
  const bool measureWide = measureIndex >= 0 && measureIndex < count && count >= 2 &&
                           area.width >= 680 && area.height >= 320;
  if (!measureWide) {
    int columns = 1;
    while (columns < count &&
           (area.width - kGap * static_cast<float>(columns)) / static_cast<float>(columns + 1) >=
               300) {
      ++columns;
    }
    return Grid(area, count, columns);
  }
  // The others keep at least 248 beside the gap; the Measure card never narrower than 380.
  const float measureWidth =
      std::max(std::min(area.width * 0.64f, area.width - 248 - kGap), 380.0f);
  const Rect right{area.x + measureWidth + kGap, area.y, area.width - measureWidth - kGap,
                   area.height};
  const int others = count - 1;
  const int columns = others > 3 && right.width >= 520 ? 2 : 1;
  const std::vector<Rect> rest = Grid(right, others, columns);
  std::vector<Rect> cells;
  for (int i = 0, r = 0; i < count; ++i) {
    cells.push_back(i == measureIndex ? Rect{area.x, area.y, measureWidth, area.height}
                                      : rest[static_cast<std::size_t>(r++)]);
  }
  return cells;
}

}  // namespace gui
