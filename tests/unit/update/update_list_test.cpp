#include "update/update_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const update::UpdateEndpoints kHosts{L"example.test", L"dl.example.test"};
const update::ProductVersion kCurrent{2, 10, 1, 0};
const std::string kHash(64, 'a');

std::string List(const std::string& version, const std::string& url, const std::string& sha,
                 const std::string& extra) {
  return R"({"version":")" + version + R"(","url":")" + url + R"(","sha256":")" + sha + "\"" +
         extra + "}";
}

TEST(UpdateList, RefusalTable) {
  const std::string url = "https://dl.example.test/Veltrane.exe";
  struct Case {
    const char* name;
    std::string body;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {"array", "[1]", L"The update list is not a JSON object."},
      {"broken", "{\"version\":", L"The update list is not valid JSON."},
      {"exponent", List("2.11", url, kHash, R"(,"size":1e6)"),
       L"The update list is not valid JSON."},
      {"size beyond 64 bits", List("2.11", url, kHash, R"(,"size":18446744073709551616)"),
       L"The update list is not valid JSON."},
      {"nested", List("2.11", url, kHash, R"(,"x":{})"), L"The update list is not valid JSON."},
      {"too large", List("2.11", url, kHash, ",\"pad\":\"" + std::string(65536, 'p') + "\""),
       L"The update list is too large."},
      {"version", List("2.11a", url, kHash, ""),
       L"The update list's version is not a number like 1.12.1."},
      {"other host", List("2.11", "https://evil.test/Veltrane.exe", kHash, ""),
       L"The update address is not on example.test."},
      {"short checksum", List("2.11", url, std::string(63, 'a'), ""),
       L"The update list's sha256 is not 64 hex digits."},
      {"non-hex checksum", List("2.11", url, std::string(63, 'a') + "g", ""),
       L"The update list's sha256 is not 64 hex digits."},
      {"zero size", List("2.11", url, kHash, R"(,"size":0)"),
       L"The update list's size is not a Veltrane executable."},
      {"size over 64 MiB", List("2.11", url, kHash, R"(,"size":67108865)"),
       L"The update list's size is not a Veltrane executable."},
  };
  for (const Case& c : kCases) {
    const update::UpdateListVerdict verdict = update::ReadUpdateList(c.body, kCurrent, kHosts);
    EXPECT_FALSE(verdict.update) << c.name;
    EXPECT_EQ(verdict.error, c.error) << c.name;
  }
}

TEST(UpdateList, AcceptedAndNotNewer) {
  const std::string url = "https://dl.example.test/Veltrane-2.10.2.exe";
  const std::string spaced = "AB CD\\t" + std::string(60, 'F');
  const update::UpdateListVerdict found =
      update::ReadUpdateList(List("2.10.2", url, spaced,
                                  R"(,"size":67108864.9,"notes":")" + std::string(2100, 'n') +
                                      R"(","beta":true,"n":null)"),
                             kCurrent, kHosts);
  ASSERT_TRUE(found.update) << std::string(found.error.begin(), found.error.end());
  EXPECT_EQ(found.update->version, L"2.10.2");
  EXPECT_EQ(found.update->sha256, L"abcd" + std::wstring(60, L'f'));
  EXPECT_EQ(found.update->size, 67108864u);
  EXPECT_EQ(found.update->notes.size(), 2000u);

  const update::UpdateListVerdict negative =
      update::ReadUpdateList(List("2.10.2", url, kHash, R"(,"size":-5)"), kCurrent, kHosts);
  ASSERT_TRUE(negative.update);
  EXPECT_EQ(negative.update->size, 0u);

  // Not newer: no update and no error, whatever the rest of the list holds.
  for (const char* version : {"2.10.1", "2.10.1.0", "2.9.99"}) {
    const update::UpdateListVerdict same =
        update::ReadUpdateList(List(version, "https://evil.test/x", "", ""), kCurrent, kHosts);
    EXPECT_FALSE(same.update) << version;
    EXPECT_EQ(same.error, L"") << version;
  }
}

}  // namespace
