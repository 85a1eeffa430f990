// Where the full tune's cards go in the content area: the Measure card, when present with
// others and the area is large enough, takes most of the width beside a grid of the rest;
// otherwise one grid of cards at least 300 wide.
#pragma once

#include <vector>

#include "gui/geometry.h"

namespace gui {

// `count` cards in display order; `measureIndex` is the Measure card's place or -1.
std::vector<Rect> LayoutCards(const Rect& area, int count, int measureIndex);

}  // namespace gui
