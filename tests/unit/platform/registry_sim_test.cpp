// What the contract suite cannot show for the registry sim: seeding, faults, value types
// the program never writes, and the hive guard.
#include "platform/sim/registry_sim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using support::ErrorCode;

const RegPath kValue{Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"DesiredResolution"};

TEST(SimRegistryTest, FailNextHitsTheNamedOperationOnce) {
  SimRegistry registry;
  registry.Seed(kValue, 5070u);
  registry.FailNext(RegOp::kWrite, ErrorCode::kAccessDenied);
  EXPECT_EQ(registry.ReadDword(kValue).value_or(0), 5070u);
  const auto denied = registry.WriteDword(kValue, 5000);
  ASSERT_FALSE(denied.ok());
  EXPECT_EQ(denied.error().code, ErrorCode::kAccessDenied);
  EXPECT_EQ(denied.error().win32_error, 5u);
  EXPECT_EQ(registry.ReadDword(kValue).value_or(0), 5070u);
  EXPECT_TRUE(registry.WriteDword(kValue, 5000).ok());
  EXPECT_EQ(registry.ReadDword(kValue).value_or(0), 5000u);
}

TEST(SimRegistryTest, SeededTypesReadAsWindowsReadsThem) {
  SimRegistry registry;
  const RegPath expand{Hive::kLocalMachine, L"SYSTEM\\X", L"ImagePath"};
  const RegPath binary{Hive::kLocalMachine, L"SYSTEM\\X", L"FailureActions"};
  const RegPath multi{Hive::kLocalMachine, L"SYSTEM\\X", L"DependOnService"};
  registry.SeedExpandString(expand, L"%SystemRoot%\\x.exe");
  registry.SeedBinary(binary);
  registry.Seed(multi, std::vector<std::wstring>{L"a", L"", L"lost"});
  EXPECT_EQ(registry.ReadString(expand).value_or(L""), L"%SystemRoot%\\x.exe");
  EXPECT_EQ(registry.TypeOf(expand), RegType::kExpandString);
  EXPECT_EQ(registry.ReadDword(binary).error().code, ErrorCode::kWrongType);
  EXPECT_EQ(registry.ReadString(binary).error().code, ErrorCode::kWrongType);
  // An empty string ends a multi-string list when Windows reads it back.
  EXPECT_EQ(registry.ReadMultiString(multi).value_or({}), std::vector<std::wstring>{L"a"});
  EXPECT_FALSE(registry.TypeOf({Hive::kLocalMachine, L"SYSTEM\\X", L"None"}).has_value());
}

TEST(SimRegistryTest, HivesAreSeparateAndCannotBeDeleted) {
  SimRegistry registry;
  registry.Seed(kValue, 1u);
  EXPECT_FALSE(registry.KeyExists(Hive::kCurrentUser, L"SOFTWARE\\Veltrane"));
  for (const wchar_t* key : {L"", L"\\"}) {
    EXPECT_EQ(registry.DeleteTree(Hive::kLocalMachine, key).error().code,
              ErrorCode::kInvalidArgument);
  }
  EXPECT_EQ(registry.ReadDword(kValue).value_or(0), 1u);
}

}  // namespace
}  // namespace platform
