#include "gui/panel_texts.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

TEST(PanelTextsTest, LatticeSubtitleFollowsThePhase) {
  struct Case {
    LatticePhase phase;
    const wchar_t* subtitle;
  };
  const Case cases[] = {
      {{}, L"late %  ×  measured latency  ×  sample n"},
      {{true, false, 2, 3, 1234, 9}, L"pass 2 of 3  |  late % × latency × n  |  n = 1234"},
      {{true, false, 1, 0, 7, 0}, L"pass 1 of 1  |  late % × latency × n  |  n = 7"},
      {{true, true, 3, 3, 500, 12}, L"verification  |  128³  |  n = 500  |  missed 12"},
  };
  for (const Case& c : cases) EXPECT_EQ(LatticeSubtitle(c.phase), c.subtitle);
}

TEST(PanelTextsTest, PhaseWordAndBanner) {
  EXPECT_STREQ(CandidatePhaseWord(true, true, true), L"selected");
  EXPECT_STREQ(CandidatePhaseWord(false, true, false), L"verification");
  EXPECT_STREQ(CandidatePhaseWord(false, false, true), L"sweep");
  EXPECT_STREQ(CandidatePhaseWord(false, false, false), L"first pass");
  EXPECT_NEAR(BannerPopScale(0), 0, 1e-12);
  EXPECT_DOUBLE_EQ(BannerPopScale(1), 1);
  EXPECT_NEAR(BannerPopScale(0.7), 1 - 2.70158 * 0.027 + 1.70158 * 0.09, 1e-12);  // 1.0802
  EXPECT_GT(BannerPopScale(0.7), 1);
  EXPECT_DOUBLE_EQ(BannerPopScale(5), 1);
}

}  // namespace
}  // namespace gui
