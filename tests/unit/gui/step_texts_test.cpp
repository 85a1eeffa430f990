#include "gui/step_texts.h"

#include <gtest/gtest.h>

#include <limits>

namespace gui {
namespace {

TEST(StepTextsTest, FidelityDurationLabels) {
  struct Case {
    double seconds;
    const wchar_t* label;
  };
  const Case cases[] = {
      {12.19, L"~10 s"},
      {35.72765, L"~35 s"},
      {202.10375, L"~3 min 20 s"},
      {0.2, L"~5 s"},
      {89.4, L"~90 s"},
      {90, L"~1 min 30 s"},
      {175, L"~3 min"},
      {181, L"~3 min"},
      {-4, L"~5 s"},
      {std::numeric_limits<double>::quiet_NaN(), L"~5 s"},
  };
  for (const Case& c : cases) EXPECT_EQ(FidelityDurationLabel(c.seconds), c.label) << c.seconds;
}

TEST(StepTextsTest, FidelityDetailLines) {
  EXPECT_EQ(FidelityDetailLine(Fidelity::Low, {8, 1, 100, 0}),
            L"8 back-to-back and 5 after idle, 1 pass");
  EXPECT_EQ(FidelityDetailLine(Fidelity::Medium, {18, 3, 187, 0}),
            L"Default. 18 back-to-back and 9 after idle, 3 passes");
  EXPECT_EQ(FidelityDetailLine(Fidelity::High, {150, 3, 1500, 0}),
            L"150 back-to-back and 75 after idle, 3 passes");
}

TEST(StepTextsTest, MiddleEllipsisKeepsBothEnds) {
  struct Case {
    const wchar_t* text;
    std::size_t max;
    const wchar_t* shown;
  };
  const Case cases[] = {
      {L"C:\\short.exe", 20, L"C:\\short.exe"},
      {L"C:\\ProgramData\\Veltrane\\drivers\\package.exe", 16, L"C:\\Prog…kage.exe"},
      {L"abcdef", 1, L"…"},
      {L"abcdef", 2, L"…f"},
  };
  for (const Case& c : cases) EXPECT_EQ(MiddleEllipsis(c.text, c.max), c.shown) << c.max;
}

}  // namespace
}  // namespace gui
