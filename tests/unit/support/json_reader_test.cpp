// The JSON reader: what it accepts, what it refuses, and its bounds.
#include "support/json_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using support::JsonValue;
using support::ParseJson;

TEST(JsonReaderTest, AcceptsOnlyWellFormedDocuments) {
  struct Case {
    const char* name;
    std::string text;
    bool ok;
  };
  const Case kCases[] = {
      {"object", R"( {"a": [1, -2.5e3, true, false, null], "b": {}} )", true},
      {"bare string", R"("x")", true},
      {"zero", "0", true},
      {"leading zero", "01", false},
      {"trailing comma", "[1,]", false},
      {"two values", "1 2", false},
      {"unclosed", R"({"a":1)", false},
      {"control character in a string", "\"a\nb\"", false},
      {"bad escape", R"("\x")", false},
      {"escape with three hex digits", R"("\u00e")", false},
      {"escape with a non-hex digit", R"("\u00eg")", false},
      {"escape cut at the end", R"("\u00)", false},
      {"single quotes", "{'a':1}", false},
      {"empty", "", false},
      {"nested 32", std::string(32, '[') + std::string(32, ']'), true},
      {"nested 34", std::string(34, '[') + std::string(34, ']'), false},
      {"too long", "\"" + std::string(1u << 20, 'a') + "\"", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseJson(c.text).has_value(), c.ok);
  }
}

TEST(JsonReaderTest, ValuesAndEscapes) {
  const auto doc =
      ParseJson(R"({"v":"2.11.0","u":"a\/b\u00e9\ud83d\ude00\"","n":42,"dup":"first","dup":"x"})");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->StringAt("v"), "2.11.0");
  EXPECT_EQ(doc->StringAt("u"), "a/b\xC3\xA9\xF0\x9F\x98\x80\"");
  EXPECT_EQ(doc->StringAt("n"), std::nullopt);
  EXPECT_EQ(doc->Find("n")->text, "42");
  EXPECT_EQ(doc->StringAt("dup"), "first");
  EXPECT_EQ(doc->Find("missing"), nullptr);
  // A lone surrogate is replaced, not passed on.
  EXPECT_EQ(ParseJson(R"("\ud800x")")->text, "\xEF\xBF\xBDx");
}

}  // namespace
