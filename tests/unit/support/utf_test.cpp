#include "support/utf.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A code point as the platform's wide text holds it (a surrogate pair on Windows).
std::wstring Wide(char32_t c) {
  if (sizeof(wchar_t) == 2 && c >= 0x10000) {
    c -= 0x10000;
    return {static_cast<wchar_t>(0xD800 + (c >> 10)), static_cast<wchar_t>(0xDC00 + (c & 0x3FF))};
  }
  return std::wstring(1, static_cast<wchar_t>(c));
}

TEST(UtfTest, RoundTripsEveryEncodedLength) {
  struct Case {
    const char* name;
    char32_t code_point;
    std::string utf8;
  };
  const Case kCases[] = {
      {"ascii", U'A', "A"},
      {"two bytes: middle dot", 0xB7, "\xC2\xB7"},
      {"three bytes: euro", 0x20AC, "\xE2\x82\xAC"},
      {"last before surrogates", 0xD7FF, "\xED\x9F\xBF"},
      {"first after surrogates", 0xE000, "\xEE\x80\x80"},
      {"four bytes: emoji", 0x1F600, "\xF0\x9F\x98\x80"},
      {"highest code point", 0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::wstring wide = L"x" + Wide(c.code_point) + L"y";
    EXPECT_EQ(support::ToUtf8(wide), "x" + c.utf8 + "y");
    EXPECT_EQ(support::FromUtf8("x" + c.utf8 + "y"), wide);
  }
}

TEST(UtfTest, MalformedUtf8BecomesOneReplacementPerBadSequence) {
  const std::wstring r = Wide(0xFFFD);
  struct Case {
    const char* name;
    std::string utf8;
    std::wstring wide;
  };
  const Case kCases[] = {
      {"lone continuation byte",
       "a\x80"
       "b",
       L"a" + r + L"b"},
      {"truncated three-byte sequence at end", "a\xE2\x82", L"a" + r},
      {"truncated sequence before ascii",
       "\xE2\x82"
       "b",
       r + L"b"},
      {"overlong slash", "\xC0\xAF", r + r},
      {"overlong three-byte nul", "\xE0\x80\x80", r},
      {"encoded surrogate", "\xED\xA0\x80", r},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", r},
      {"invalid lead byte", "\xFF", r},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(support::FromUtf8(c.utf8), c.wide);
  }
}

// Lone surrogate units are invalid as UTF-16 halves and as UTF-32 values alike.
TEST(UtfTest, UnpairedSurrogatesBecomeReplacement) {
  const std::wstring lone_high = {L'a', static_cast<wchar_t>(0xD83D), L'b'};
  const std::wstring lone_low = {static_cast<wchar_t>(0xDE00)};
  const std::wstring high_at_end = {static_cast<wchar_t>(0xD83D)};
  EXPECT_EQ(support::ToUtf8(lone_high),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(support::ToUtf8(lone_low), "\xEF\xBF\xBD");
  EXPECT_EQ(support::ToUtf8(high_at_end), "\xEF\xBF\xBD");
}

TEST(UtfTest, EmptyTextStaysEmpty) {
  EXPECT_EQ(support::ToUtf8(L""), "");
  EXPECT_EQ(support::FromUtf8(""), L"");
}

}  // namespace
