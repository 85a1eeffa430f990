// The About screen: the brand, the publisher and the credit, and two links, both to this
// program's own pages on the publisher's site.
#pragma once

#include <span>
#include <string>

#include "gui/canvas.h"
#include "gui/input_router.h"

namespace gui::screens {

struct AboutLink {
  const char* caption;
  const wchar_t* target;  // opened with the shell's "open" verb
};

inline constexpr int kAboutLinkControl = 300;  // + the link's index

// The links in the order shown.
std::span<const AboutLink> AboutLinks();

void DrawAboutScreen(Canvas& canvas, Rect content, const std::wstring& version,
                     InputRouter& router);

// The address an activated control opens; empty for any other control.
std::wstring AboutLinkTarget(int id);

}  // namespace gui::screens
