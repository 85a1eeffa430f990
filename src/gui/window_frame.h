// What the window draws while the step screens are not part of the build: the brand header
// and the nine steps, with a plain statement of where each step runs today. Portable, so
// its layout is tested on the recording canvas.
#pragma once

#include <string>

#include "gui/canvas.h"

namespace gui {

inline constexpr float kHeaderHeight = 72.0f;

struct FrameView {
  std::string version;  // "2.10.1"
  float fade = 1.0f;    // 0 .. 1, the opening fade
};

// The text the window shows in place of the step screens.
inline constexpr std::string_view kScreensNotBuilt =
    "The step screens are not part of this build yet. Every step runs from the command "
    "line: open a terminal as administrator and run Veltrane.exe --cli, or "
    "Veltrane.exe --help for the list.";

// Draws the whole client area of `width` x `height` DIPs.
void DrawWindowFrame(Canvas& canvas, float width, float height, const FrameView& view);

}  // namespace gui
