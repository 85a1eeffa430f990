// The ports the tuning steps added: what a machine without the optional parts (no NVIDIA
// driver, no such disk) answers, which both the sim and Wine must say the same way.
#include <gtest/gtest.h>

#include <algorithm>

#include "contract/contract_system.h"
#include "platform/disk_cache.h"
#include "platform/driver_profile.h"
#include "platform/environment.h"
#include "platform/power.h"
#include "platform/system_restore.h"

namespace {

TEST(TuningPortsContract, ADriveThatIsNotThereIsNotFound) {
  auto drive = contract::ContractSystem().disk_cache.OpenDrive(99);
  ASSERT_FALSE(drive.ok());
  EXPECT_EQ(drive.error().code, support::ErrorCode::kNotFound);
}

TEST(TuningPortsContract, NoDriverProfileLibraryIsNotFoundAndLeavesNothingOpen) {
  auto& profile = contract::ContractSystem().driver_profile;
  const support::Status opened = profile.Open();
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.error().code, support::ErrorCode::kNotFound);
  EXPECT_FALSE(profile.GetSetting(0x1057EB71).ok());
  EXPECT_FALSE(profile.SetSetting(0x1057EB71, 1).ok());
  EXPECT_FALSE(profile.Save().ok());
  profile.Close();
}

TEST(TuningPortsContract, TheComputerHasAName) {
  auto name = contract::ContractSystem().environment.ComputerName();
  ASSERT_TRUE(name.ok());
  EXPECT_FALSE(name->empty());
  EXPECT_EQ(name->find(L'"'), std::wstring::npos);
}

// The component is there on both machines and answers a begin request: Windows with a
// sequence number, Wine's stub with a refusal (status 0), which the step reports as such.
// Where the points can be listed, an accepted begin names the newest one: the point it made,
// or the one of the last day that it made none in place of.
TEST(TuningPortsContract, ARestorePointRequestIsAnswered) {
  auto& restore = contract::ContractSystem().system_restore;
  auto begun = restore.SetRestorePoint({100, 12, 0, L"Veltrane contract probe"});
  ASSERT_TRUE(begun.ok()) << begun.error().win32_error;
  if (!begun->accepted) return;
  auto newest = restore.NewestRestorePoint();
  if (newest) {
    ASSERT_TRUE(newest->has_value());
    EXPECT_EQ((*newest)->sequence_number, begun->sequence_number);
  }
  EXPECT_TRUE(
      restore.SetRestorePoint({101, 12, begun->sequence_number, L"Veltrane contract probe"}).ok());
}

// The points are listed with plausible numbers and times, or the machine says it has no
// SystemRestore class to ask (Wine); an empty list is never how a failure looks.
TEST(TuningPortsContract, TheNewestRestorePointIsListedOrTheListIsMissing) {
  auto newest = contract::ContractSystem().system_restore.NewestRestorePoint();
  if (!newest) {
    EXPECT_EQ(newest.error().code, support::ErrorCode::kUnsupported) << newest.error().win32_error;
    return;
  }
  if (!newest->has_value()) return;
  EXPECT_GT((*newest)->sequence_number, 0);
  EXPECT_GE((*newest)->created.year, 2000u);
  EXPECT_GE((*newest)->created.month, 1u);
  EXPECT_LE((*newest)->created.month, 12u);
}

// Wine's powrprof lacks most scheme calls; where a machine has them, the schemes it lists
// hold the active one.
TEST(TuningPortsContract, EnumeratedSchemesHoldTheActiveOne) {
  auto& power = contract::ContractSystem().power;
  auto schemes = power.EnumerateSchemes();
  auto active = power.ActiveScheme();
  if (!schemes || !active) GTEST_SKIP() << "no scheme calls on this machine";
  EXPECT_NE(std::find(schemes->begin(), schemes->end(), *active), schemes->end());
}

}  // namespace
