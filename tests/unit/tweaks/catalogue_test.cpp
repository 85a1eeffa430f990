// The catalogues as the steps and the health checks read them, the change line, the
// progress figure and GUID text.
#include <gtest/gtest.h>

#include "support/guid_parse.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/power_values.h"
#include "tweaks/ppm_catalogue.h"
#include "tweaks/small_step_catalogue.h"

namespace {

TEST(CatalogueTest, SizesOrderAndEndsAreTheShippedOnes) {
  ASSERT_EQ(PpmCatalogue().size(), 22u);
  EXPECT_STREQ(PpmCatalogue().front().id, L"CPMINCORES");
  EXPECT_STREQ(PpmCatalogue().back().id, L"PERFDECPOL");
  EXPECT_EQ(support::GuidText(PpmCatalogue()[4].setting), L"4D2B0152-7D5C-498B-88E2-34345392A2C5");
  EXPECT_EQ(PpmCatalogue()[4].target, 5000u);
  EXPECT_EQ(PpmCatalogue()[4].dwellMs, 2200u);
  const std::vector<TweakRow> cpu = CpuTuneRows();
  ASSERT_EQ(cpu.size(), 24u);
  EXPECT_EQ(cpu.front().id, L"ULTIMATE");
  EXPECT_EQ(cpu.back().detail, L"ThreadDpcEnable  \u2192  0");
  ASSERT_EQ(StoragePowerCatalogue().size(), 3u);
  EXPECT_EQ(support::GuidText(StoragePowerCatalogue()[2].subgroup),
            L"2A737441-1930-4402-8D77-B2BEBBA308A3");
  EXPECT_EQ(StorageRows().size(), 8u);
  EXPECT_EQ(StorageRows()[7].id, L"LASTACCESS");
  ASSERT_EQ(GpuCatalogue().size(), 32u);
  EXPECT_STREQ(GpuCatalogue()[15].id, L"NV_TFQ");
  EXPECT_EQ(GpuCatalogue()[15].profileSettingId, 0x00CE2691u);
  EXPECT_EQ(GpuCatalogue()[15].value, 0x14u);
  EXPECT_STREQ(GpuCatalogue()[5].valueName, L"Priority");
  EXPECT_TRUE(GpuCatalogue()[31].perAdapter);
}

TEST(CatalogueTest, ChangeLinesAndProgress) {
  const PowerTweak& perfCheck = PpmCatalogue()[4];
  const PowerTweak& autonomous = PpmCatalogue()[7];
  EXPECT_EQ(FormatChangeLine(perfCheck, 15, true), L"15ms  \u2192  5000ms");
  EXPECT_EQ(FormatChangeLine(perfCheck, 0, false), L"(hidden/unread)  \u2192  5000ms");
  EXPECT_EQ(FormatChangeLine(autonomous, 1, true), L"1  \u2192  0");
  EXPECT_EQ(FormatChangeLine(autonomous, 0, false), L"(hidden/unread)  \u2192  0");
  std::vector<TweakRow> rows(4);
  EXPECT_DOUBLE_EQ(RowsProgress(rows), 0.0);
  rows[0].state = kRowDone;
  rows[1].state = kRowFailed;
  rows[2].state = kRowRunning;
  EXPECT_DOUBLE_EQ(RowsProgress(rows), 2.35 / 4);
  EXPECT_DOUBLE_EQ(RowsProgress({}), 0.0);
}

TEST(CatalogueTest, OnlyWholeGuidsParse) {
  struct Case {
    const wchar_t* text;
    bool ok;
  };
  const Case kCases[] = {
      {L"{381B4222-F694-41F0-9685-FF5BB260DF2E}", true},
      {L"381b4222-f694-41f0-9685-ff5bb260df2e", true},
      {L"381B4222-F694-41F0-9685-FF5BB260DF2E & calc", false},
      {L"{381B4222-F694-41F0-9685-FF5BB260DF2E", false},
      {L"381B4222 F694-41F0-9685-FF5BB260DF2E", false},
      {L"381B4222-F694-41F0-9685-FF5BB260DF2G", false},
      {L"", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.ok);
    const auto guid = support::ParseGuid(c.text);
    EXPECT_EQ(guid.has_value(), c.ok);
    if (guid) EXPECT_EQ(support::GuidText(*guid), L"381B4222-F694-41F0-9685-FF5BB260DF2E");
  }
}

}  // namespace
