#include "measure/csv_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

double Reference(std::string_view text) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  return ec == std::errc{} ? value : 0;
}

TEST(ParseDoubleTest, ReadsWhatTheStandardConversionReads) {
  struct Case {
    const char* name;
    const char* text;
    double value;
  };
  const Case kCases[] = {
      {"five decimals", "0.02100", 0.021},
      {"negative", "-0.00350", -0.0035},
      {"leading plus and spaces", "  +1.5", 1.5},
      {"integer", "150", 150},
      {"exponent", "1e-3", 0.001},
      {"prefix only", "2.5ms", 2.5},
      {"empty", "", 0},
      {"garbage", "abc", 0},
      {"lone point", ".", 0},
      {"seventeen digits", "0.10000000000000001", 0.1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseDouble(c.text), c.value);
  }
  EXPECT_TRUE(std::isinf(ParseDouble("inf")));
  EXPECT_TRUE(std::isnan(ParseDouble("nan")));
}

TEST(ParseDoubleTest, FastPathIsBitIdenticalForTheWrittenFormats) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> any(-20.0, 20.0);
  char text[64];
  for (int i = 0; i < 20000; ++i) {
    const double v = any(random);
    for (const char* format : {"%.5f", "%.3f", "%.4f", "%.1f"}) {
      std::snprintf(text, sizeof text, format, v);
      ASSERT_EQ(ParseDouble(text), Reference(text)) << text;
    }
  }
}

TEST(ParseUnsignedTest, DigitsOnlyAndNoOverflow) {
  EXPECT_EQ(ParseUnsigned("5070"), 5070u);
  EXPECT_EQ(ParseUnsigned(" 12"), 12u);
  EXPECT_EQ(ParseUnsigned("-5"), 0u);
  EXPECT_EQ(ParseUnsigned("4294967296"), 0u);
  EXPECT_EQ(ParseUnsigned("4294967295"), 4294967295u);
  EXPECT_EQ(ParseUnsigned("12x"), 12u);
}

TEST(SplitTest, LinesAndFields) {
  const auto lines = SplitLines("a\r\n\nb\rc\nd");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "b\rc");  // only a CR that ends a line is dropped
  EXPECT_EQ(SplitFields("a,,b").size(), 3u);
  std::string_view first[2];
  EXPECT_EQ(SplitFieldsInto("x,y,z,w", first), 4u);
  EXPECT_EQ(first[1], "y");
}

}  // namespace
