#include "update/update_address.h"

#include <gtest/gtest.h>

#include <string>

#include "update/product_version.h"

namespace {

TEST(ProductVersion, TextTable) {
  struct Case {
    const wchar_t* text;
    bool ok;
    update::ProductVersion version;
  };
  const Case kCases[] = {
      {L"2.10.1", true, {2, 10, 1, 0}},
      {L"2", true, {2, 0, 0, 0}},
      {L"65535.0.0.65535", true, {65535, 0, 0, 65535}},
      {L"65536", false, {}},
      {L"1.2.3.4.5", false, {}},
      {L"1..2", false, {}},
      {L"1.2.", false, {}},
      {L".1", false, {}},
      {L"v1.2", false, {}},
      {L"1.2 ", false, {}},
      {L"-1", false, {}},
      {L"", false, {}},
      {L"000000000000000000000000000000001", false, {}},  // 33 characters
  };
  for (const Case& c : kCases) {
    const auto parsed = update::ParseProductVersion(c.text);
    ASSERT_EQ(parsed.has_value(), c.ok) << std::wstring(c.text).size();
    if (c.ok) {
      EXPECT_EQ(*parsed, c.version);
    }
  }
  EXPECT_LT(*update::ParseProductVersion(L"2.10.1"), *update::ParseProductVersion(L"2.10.2"));
  EXPECT_LT(*update::ParseProductVersion(L"2.9.9"), *update::ParseProductVersion(L"2.10"));
}

TEST(UpdateAddress, DownloadAddressTable) {
  const update::UpdateEndpoints hosts{L"example.test", L"dl.example.test"};
  const wchar_t* const kFileShape =
      L"The update file must be dl.example.test/Veltrane.exe or a file Veltrane-<release>.exe.";
  struct Case {
    const wchar_t* url;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {L"https://dl.example.test/Veltrane.exe", L""},
      {L"https://DL.example.test/veltrane-2.10.2_b.EXE?x=1", L""},
      {L"https://dl.example.test:443/Veltrane-2.10.2.exe", L""},
      {L"http://dl.example.test/Veltrane.exe", L"The update address is not https."},
      {L"https://user@dl.example.test/Veltrane.exe", L"The update address is not https."},
      {L"https://evil.test/Veltrane.exe", L"The update address is not on example.test."},
      {L"https://dl.example.test.evil.test/Veltrane.exe",
       L"The update address is not on example.test."},
      {L"https://www.example.test/Veltrane.exe", L"The update file is not on dl.example.test."},
      {L"https://dl.example.test:8443/Veltrane.exe", L"The update file is not on dl.example.test."},
      {L"https://dl.example.test/Veltrane-.exe", kFileShape},
      {L"https://dl.example.test/Veltrane-1..2.exe", kFileShape},
      {L"https://dl.example.test/Veltrane-a/b.exe", kFileShape},
      {L"https://dl.example.test/other/Veltrane.exe", kFileShape},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(update::CheckDownloadAddress(hosts, c.url), c.error) << std::wstring(c.url);
  }
  EXPECT_EQ(update::CheckDownloadAddress(
                hosts, L"https://dl.example.test/Veltrane-" + std::wstring(65, L'a') + L".exe"),
            kFileShape);
  EXPECT_EQ(update::CheckUpdateAddress(hosts, L"https://www.example.test/x"), L"");
  EXPECT_EQ(
      update::CheckUpdateAddress(hosts, L"https://dl.example.test/" + std::wstring(2048, L'a')),
      L"The update address is too long.");
}

}  // namespace
