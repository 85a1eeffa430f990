#include "gui/window_frame.h"

#include <gtest/gtest.h>


#include "gui/recording_canvas.h"

namespace gui {
namespace {

TEST(GuiWindowFrame, SaysWhereTheStepsRunAndListsThoseThatFit) {
  struct Row {
    float height;
    int cards;
  };
  // Cards start at y 266 in rows of 54 DIPs and keep a 32 DIP bottom margin.
  const Row rows[] = {{880, 9}, {700, 9}, {500, 6}, {300, 0}};
  for (const Row& row : rows) {
    RecordingCanvas canvas;
    DrawWindowFrame(canvas, 1340, row.height, {"2.10.1", 1.0f});
    EXPECT_TRUE(canvas.FindText("Veltrane.exe --cli")) << row.height;
    EXPECT_TRUE(canvas.FindText("v2.10.1")) << row.height;
    int cards = 0;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind != DrawKind::kFillRoundedRect) continue;
      ++cards;
      EXPECT_LE(call.rect.Bottom(), row.height - 32) << row.height;
    }
    EXPECT_EQ(cards, row.cards) << row.height;
    EXPECT_EQ(canvas.FindText("Storage").has_value(), row.cards == 9) << row.height;
  }
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
