// SharedMemory: another program's named mapping and mutex, read, written and waited on.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/shared_memory.h"

namespace {

using support::ErrorCode;

TEST(SharedMemoryContract, ReadsAndWritesAnotherProgramsMapping) {
  platform::SharedMemory& memory = contract::ContractSystem().shared_memory;
  EXPECT_EQ(memory.ReadMapping(L"VeltraneContractNoMapping", 100).error().code,
            ErrorCode::kNotFound);
  EXPECT_EQ(memory.OwnedByAdministrators(L"VeltraneContractNoMapping").error().code,
            ErrorCode::kNotFound);
  const std::string bytes(100, 'a');
  contract::CreateForeignMapping(L"VeltraneContractMapping", bytes, true);
  ASSERT_TRUE(memory.WriteMapping(L"VeltraneContractMapping", 32, "WXYZ").ok());
  const auto read = memory.ReadMapping(L"VeltraneContractMapping", 1 << 20);
  ASSERT_TRUE(read.ok());
  ASSERT_GE(read->size(), 100u);  // the view may be rounded up to a page
  ASSERT_LE(read->size(), 4096u);
  EXPECT_EQ(read->substr(0, 100), std::string(32, 'a') + "WXYZ" + std::string(64, 'a'));
  // Only what is asked for is copied, whatever size the creator chose.
  EXPECT_EQ(memory.ReadMapping(L"VeltraneContractMapping", 34).value(),
            std::string(32, 'a') + "WX");
  EXPECT_EQ(memory.WriteMapping(L"VeltraneContractMapping", 1 << 20, "W").error().code,
            ErrorCode::kInvalidArgument);
}

// The owner tells an elevated program's mapping from one a program of the user made first.
TEST(SharedMemoryContract, OwnerTellsWhoMadeTheMapping) {
  platform::SharedMemory& memory = contract::ContractSystem().shared_memory;
  contract::CreateForeignMapping(L"VeltraneContractAdminMapping", "a", true);
  contract::CreateForeignMapping(L"VeltraneContractUserMapping", "a", false);
  EXPECT_EQ(memory.OwnedByAdministrators(L"VeltraneContractAdminMapping").value(), true);
  EXPECT_EQ(memory.OwnedByAdministrators(L"VeltraneContractUserMapping").value(), false);
}

TEST(SharedMemoryContract, MutexWaitsAreBounded) {
  platform::SharedMemory& memory = contract::ContractSystem().shared_memory;
  EXPECT_EQ(memory.LockMutex(L"VeltraneContractNoMutex", 100).error().code, ErrorCode::kNotFound);
  contract::CreateForeignMutex(L"VeltraneContractFree", false);
  ASSERT_TRUE(memory.LockMutex(L"VeltraneContractFree", 1000).ok());
  memory.UnlockMutex(L"VeltraneContractFree");
  contract::CreateForeignMutex(L"VeltraneContractHeld", true);
  const auto held = memory.LockMutex(L"VeltraneContractHeld", 100);
  EXPECT_EQ(held.error().code, ErrorCode::kTimeout);
}

}  // namespace
