// The window's frame around every screen: the brand header with the version, the page's
// title and detail line, and the status line at the bottom. Portable, so its layout is
// tested on the recording canvas; the screens draw inside the content rectangle it returns.
#pragma once

#include <string>

#include "gui/canvas.h"

namespace gui {

inline constexpr float kHeaderHeight = 72.0f;

struct FrameView {
  std::string version;         // "2.10.1"
  float fade = 1.0f;           // 0 .. 1, the opening fade
  std::string title, detail;   // the header feed's: what the window is doing
  std::string status;          // the scheduler's status line
  std::string page, subtitle;  // the stage's page name and subtitle
};

// The screens' area of a client of `width` x `height` DIPs: x from 16 to width - 16, y
// from 122 to height - 54.
Rect ContentRect(float width, float height);

// Draws the frame (leaving the opacity set by the fade for the screen drawn next) and
// returns ContentRect.
Rect DrawWindowFrame(Canvas& canvas, float width, float height, const FrameView& view);

}  // namespace gui
