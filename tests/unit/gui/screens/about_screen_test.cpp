// The About screen: its texts, and links that lead only to this program's own pages.
#include "gui/screens/about_screen.h"

#include <gtest/gtest.h>

#include "gui/recording_canvas.h"
#include "support/utf.h"

namespace {

TEST(AboutScreen, TextsAndOwnLinksOnly) {
  gui::RecordingCanvas canvas;
  gui::InputRouter router;
  router.BeginFrame();
  gui::screens::DrawAboutScreen(canvas, {0, 0, 700, 500}, L"2.10.1", router);
  const std::string all = canvas.AllText();
  for (const char* text : {"VELTRANE", "Orvandel publishes Veltrane.", "Version 2.10.1.", "Links",
                           "Processor-power research used by the CPU step"}) {
    EXPECT_NE(all.find(text), std::string::npos) << text;
  }
  const std::wstring kExpected[] = {L"https://orvandel.com/veltrane",
                                    L"https://orvandel.com/veltrane/docs/processor-power"};
  ASSERT_EQ(gui::screens::AboutLinks().size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const auto shown = canvas.FindText(support::ToUtf8(kExpected[i]));
    ASSERT_TRUE(shown.has_value());
    router.PointerDown(shown->rect.x + 2, shown->rect.y + 2, 5.0);
    const int id = router.PointerUp(shown->rect.x + 2, shown->rect.y + 2, 5.0).activated;
    EXPECT_EQ(gui::screens::AboutLinkTarget(id), kExpected[i]);
  }
  EXPECT_EQ(gui::screens::AboutLinkTarget(gui::screens::kAboutLinkControl + 2), L"");
}

}  // namespace
