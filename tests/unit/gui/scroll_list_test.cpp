#include "gui/scroll_list.h"

#include <gtest/gtest.h>

#include <limits>

namespace gui {
namespace {

// GPU Config's 32 rows of 28 px in a 300 px box: 896 px of rows, at most 596 px of scroll.
TEST(ScrollListTest, PagesWheelAndFocusStayInRange) {
  struct Case {
    const char* name;
    void (*act)(ScrollList&);
    float offset;
    int first, visible;
  };
  const Case cases[] = {
      {"top", [](ScrollList&) {}, 0, 0, 11},
      {"page down: 300 - 28", [](ScrollList& l) { l.Page(+1); }, 272, 9, 12},
      {"three pages down stop at the end", [](ScrollList& l) { l.Page(1), l.Page(1), l.Page(1); },
       596, 21, 11},
      {"page up at the top", [](ScrollList& l) { l.Page(-1); }, 0, 0, 11},
      {"wheel", [](ScrollList& l) { l.Wheel(50); }, 50, 1, 12},
      {"NaN wheel", [](ScrollList& l) { l.Wheel(std::numeric_limits<float>::quiet_NaN()); }, 0, 0,
       11},
      {"focus on the last row", [](ScrollList& l) { l.EnsureVisible(31); }, 596, 21, 11},
      {"focus back on row 2", [](ScrollList& l) { l.Page(1), l.EnsureVisible(2); }, 56, 2, 11},
      {"rows shrink under the offset",
       [](ScrollList& l) { l.Page(1), l.Page(1), l.Layout(12, 28, 300); }, 36, 1, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScrollList list;
    list.Layout(32, 28, 300);
    c.act(list);
    EXPECT_FLOAT_EQ(list.Offset(), c.offset);
    EXPECT_EQ(list.FirstVisible(), c.first);
    EXPECT_EQ(list.VisibleCount(), c.visible);
  }
  ScrollList fits;
  fits.Layout(5, 28, 300);
  EXPECT_FALSE(fits.CanScroll());
  fits.Page(1);
  EXPECT_FLOAT_EQ(fits.Offset(), 0);
}

}  // namespace
}  // namespace gui
