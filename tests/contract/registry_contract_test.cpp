// Registry: the same assertions against the sim and the Win32 adapter. Everything happens
// below a scratch key in HKCU that is deleted before and after each test.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "contract/contract_system.h"
#include "platform/registry.h"

namespace {

using platform::Hive;
using platform::RegPath;
using support::ErrorCode;

constexpr wchar_t kScratch[] = L"Software\\VeltraneContractTest";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { (void)registry_.DeleteTree(Hive::kCurrentUser, kScratch); }
  void TearDown() override { (void)registry_.DeleteTree(Hive::kCurrentUser, kScratch); }

  static RegPath At(const std::wstring& key, const std::wstring& value) {
    return RegPath{Hive::kCurrentUser, std::wstring(kScratch) + L"\\" + key, value};
  }

  platform::Registry& registry_ = contract::ContractSystem().registry;
};

TEST_F(RegistryContract, DwordRoundTripCreatesTheKey) {
  for (const std::uint32_t value : {0u, 5070u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(value);
    ASSERT_TRUE(registry_.WriteDword(At(L"Deep\\Er", L"DesiredResolution"), value).ok());
    const auto read = registry_.ReadDword(At(L"Deep\\Er", L"DesiredResolution"));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, value);
  }
}

TEST_F(RegistryContract, WritingOneValueLeavesItsSiblings) {
  ASSERT_TRUE(registry_.WriteDword(At(L"K", L"A"), 1).ok());
  ASSERT_TRUE(registry_.WriteString(At(L"K", L"B"), L"b").ok());
  ASSERT_TRUE(registry_.WriteDword(At(L"K", L"A"), 2).ok());
  EXPECT_EQ(registry_.ReadString(At(L"K", L"B")).value_or(L"?"), L"b");
}

TEST_F(RegistryContract, StringsAndMultiStringsRoundTrip) {
  const std::wstring texts[] = {L"", L"plain", L"C:\\Program Files\\Veltrane\\Veltrane.exe",
                                L"\u00e9t\u00e9 \u6e2c\u8a66"};
  for (const std::wstring& text : texts) {
    ASSERT_TRUE(registry_.WriteString(At(L"S", L"Text"), text).ok());
    EXPECT_EQ(registry_.ReadString(At(L"S", L"Text")).value_or(L"<error>"), text);
  }
  const std::vector<std::vector<std::wstring>> lists = {{}, {L"one"}, {L"one", L"two", L"3"}};
  for (const auto& list : lists) {
    ASSERT_TRUE(registry_.WriteMultiString(At(L"S", L"List"), list).ok());
    const auto read = registry_.ReadMultiString(At(L"S", L"List"));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, list);
  }
}

TEST_F(RegistryContract, ReadingAnotherTypeIsWrongType) {
  ASSERT_TRUE(registry_.WriteString(At(L"T", L"Sz"), L"5070").ok());
  ASSERT_TRUE(registry_.WriteDword(At(L"T", L"Dword"), 5070).ok());
  ASSERT_TRUE(registry_.WriteMultiString(At(L"T", L"Multi"), {L"a"}).ok());
  struct Case {
    const char* name;
    ErrorCode code;
  };
  const Case kCases[] = {
      {"dword from string", registry_.ReadDword(At(L"T", L"Sz")).error().code},
      {"dword from multi", registry_.ReadDword(At(L"T", L"Multi")).error().code},
      {"string from dword", registry_.ReadString(At(L"T", L"Dword")).error().code},
      {"string from multi", registry_.ReadString(At(L"T", L"Multi")).error().code},
      {"multi from string", registry_.ReadMultiString(At(L"T", L"Sz")).error().code},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.code, ErrorCode::kWrongType);
  }
}

TEST_F(RegistryContract, MissingKeysAndValuesAreNotFound) {
  ASSERT_TRUE(registry_.WriteDword(At(L"Here", L"Present"), 1).ok());
  const RegPath kMissing[] = {At(L"Nowhere", L"Value"), At(L"Here", L"Absent")};
  for (const RegPath& path : kMissing) {
    SCOPED_TRACE(std::string(path.value.begin(), path.value.end()));
    EXPECT_EQ(registry_.ReadDword(path).error().code, ErrorCode::kNotFound);
    EXPECT_EQ(registry_.ReadString(path).error().code, ErrorCode::kNotFound);
    EXPECT_EQ(registry_.DeleteValue(path).error().code, ErrorCode::kNotFound);
  }
  EXPECT_FALSE(registry_.KeyExists(Hive::kCurrentUser, std::wstring(kScratch) + L"\\Nowhere"));
  EXPECT_EQ(
      registry_.ListSubkeys(Hive::kCurrentUser, std::wstring(kScratch) + L"\\Nowhere").error().code,
      ErrorCode::kNotFound);
}

TEST_F(RegistryContract, DeleteValueRemovesOnlyThatValue) {
  ASSERT_TRUE(registry_.WriteDword(At(L"D", L"Gone"), 1).ok());
  ASSERT_TRUE(registry_.WriteDword(At(L"D", L"Kept"), 2).ok());
  ASSERT_TRUE(registry_.DeleteValue(At(L"D", L"Gone")).ok());
  EXPECT_EQ(registry_.ReadDword(At(L"D", L"Gone")).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(registry_.ReadDword(At(L"D", L"Kept")).value_or(0), 2u);
}

TEST_F(RegistryContract, DeleteTreeRemovesEverythingBelow) {
  ASSERT_TRUE(registry_.WriteDword(At(L"Tree\\A\\B", L"V"), 1).ok());
  ASSERT_TRUE(registry_.WriteDword(At(L"Tree", L"W"), 2).ok());
  ASSERT_TRUE(registry_.WriteDword(At(L"Sibling", L"V"), 3).ok());
  const std::wstring tree = std::wstring(kScratch) + L"\\Tree";
  ASSERT_TRUE(registry_.DeleteTree(Hive::kCurrentUser, tree).ok());
  EXPECT_FALSE(registry_.KeyExists(Hive::kCurrentUser, tree));
  EXPECT_EQ(registry_.ReadDword(At(L"Sibling", L"V")).value_or(0), 3u);
  EXPECT_EQ(registry_.DeleteTree(Hive::kCurrentUser, tree).error().code, ErrorCode::kNotFound);
}

TEST_F(RegistryContract, ListSubkeysGivesDirectChildrenInNameOrder) {
  for (const wchar_t* key : {L"List\\beta", L"List\\Alpha", L"List\\gamma\\deeper"}) {
    ASSERT_TRUE(registry_.WriteDword(At(key, L"V"), 1).ok());
  }
  const auto names = registry_.ListSubkeys(Hive::kCurrentUser, std::wstring(kScratch) + L"\\List");
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));
}

TEST_F(RegistryContract, KeyAndValueNamesIgnoreCase) {
  ASSERT_TRUE(registry_.WriteDword(At(L"Mixed\\Case", L"PpmApplied"), 1).ok());
  EXPECT_EQ(registry_.ReadDword(At(L"MIXED\\case", L"ppmapplied")).value_or(0), 1u);
  ASSERT_TRUE(registry_.WriteDword(At(L"mixed\\CASE", L"PPMAPPLIED"), 2).ok());
  EXPECT_EQ(registry_.ReadDword(At(L"Mixed\\Case", L"PpmApplied")).value_or(0), 2u);
  const auto names = registry_.ListSubkeys(Hive::kCurrentUser, std::wstring(kScratch) + L"\\MIXED");
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::wstring>{L"Case"});
}

}  // namespace
