#include "support/guid.h"

#include <gtest/gtest.h>

namespace {

TEST(GuidTextTest, UpperCaseRegistryFormWithoutBraces) {
  struct Case {
    const char* name;
    support::Guid guid;
    const wchar_t* text;
  };
  const Case kCases[] = {
      {"nil", {}, L"00000000-0000-0000-0000-000000000000"},
      {"processor power settings subgroup",
       {0x54533251, 0x82BE, 0x4824, {0x96, 0xC1, 0x47, 0xB6, 0x0B, 0x74, 0x0D, 0x00}},
       L"54533251-82BE-4824-96C1-47B60B740D00"},
      {"all bits set",
       {0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
       L"FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(support::GuidText(c.guid), c.text);
  }
}

}  // namespace
