#include "gui/window_frame.h"

#include <gtest/gtest.h>

#include "gui/recording_canvas.h"

namespace gui {
namespace {

TEST(GuiWindowFrame, HeaderTitleAndStatusAroundTheContent) {
  RecordingCanvas canvas;
  const Rect content = DrawWindowFrame(canvas, 1340, 880,
                                       {"2.10.1", 1.0f, "HOME", "choose a function",
                                        "Running: Measure", "Hold", "Install the boot service"});
  EXPECT_TRUE(canvas.FindText("v2.10.1"));
  EXPECT_TRUE(canvas.FindText("choose a function"));
  EXPECT_TRUE(canvas.FindText("Hold"));
  EXPECT_TRUE(canvas.FindText("Install the boot service"));
  EXPECT_TRUE(canvas.FindText("Running: Measure"));
  // 1340 x 880: x 16 .. 1324, y 122 .. 826.
  EXPECT_FLOAT_EQ(content.x, 16);
  EXPECT_FLOAT_EQ(content.y, 122);
  EXPECT_FLOAT_EQ(content.width, 1308);
  EXPECT_FLOAT_EQ(content.height, 704);
  // A window too small for any content gets an empty area, never a negative one.
  EXPECT_FLOAT_EQ(ContentRect(20, 100).width, 0);
  EXPECT_FLOAT_EQ(ContentRect(20, 100).height, 0);
}

TEST(GuiWindowFrame, OpeningFadeCoversEveryColourAndEndsAtFullOpacity) {
  RecordingCanvas canvas;
  DrawWindowFrame(canvas, 1340, 880, {"2.10.1", 0.5f});
  for (const DrawCall& call : canvas.calls()) EXPECT_LE(call.color.a, 0.5f + 1e-6f);
  canvas.Clear();
  // A fade past the ends is clamped: the ground is never translucent at the end.
  DrawWindowFrame(canvas, 1340, 880, {"2.10.1", 7.0f});
  EXPECT_FLOAT_EQ(canvas.calls().front().color.a, 1.0f);
  EXPECT_EQ(canvas.ClipDepth(), 0);
}

}  // namespace
}  // namespace gui
