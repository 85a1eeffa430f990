// InstanceLock: the same assertions against the sim and the Win32 adapter.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "contract/contract_system.h"
#include "platform/instance_lock.h"

namespace {

TEST(InstanceLockContract, SecondCreateFailsUntilTheFirstIsReleased) {
  platform::InstanceLock& lock = contract::ContractSystem().instance_lock;
  const std::wstring name = L"Local\\Veltrane.ContractTest.Lock";
  auto first = lock.TryCreate(name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(lock.TryCreate(name), nullptr);
  first.reset();
  auto again = lock.TryCreate(name);
  EXPECT_NE(again, nullptr);
}

TEST(InstanceLockContract, DifferentNamesAreIndependent) {
  platform::InstanceLock& lock = contract::ContractSystem().instance_lock;
  auto a = lock.TryCreate(L"Local\\Veltrane.ContractTest.A");
  auto b = lock.TryCreate(L"Local\\Veltrane.ContractTest.B");
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
}

// A held name is told apart from a failure to create the mutex.
TEST(InstanceLockContract, AcquireSaysAHeldNameExists) {
  platform::InstanceLock& lock = contract::ContractSystem().instance_lock;
  const std::wstring name = L"Local\\Veltrane.ContractTest.Acquire";
  auto first = lock.Acquire(name);
  ASSERT_TRUE(first.ok());
  auto second = lock.Acquire(name);
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(second.error().code, support::ErrorCode::kAlreadyExists);
  EXPECT_EQ(second.error().win32_error, 183u);
}

}  // namespace

namespace {

// The lock of the Administrators' private namespace behaves as a plain one for an elevated
// process; a system without private namespaces says so rather than failing otherwise.
TEST(InstanceLockContract, AdministratorsNamespaceHoldsItsNameUntilReleased) {
  platform::InstanceLock& lock = contract::ContractSystem().instance_lock;
  const std::wstring space = L"Veltrane.ContractTest";
  const std::wstring name = L"Lock";
  auto first = lock.AcquireForAdministrators(space, name);
  if (!first && first.error().code == support::ErrorCode::kUnsupported) {
    GTEST_SKIP() << "no private namespaces on this system";
  }
  ASSERT_TRUE(first.ok()) << first.error().win32_error;
  auto second = lock.AcquireForAdministrators(space, name);
  ASSERT_FALSE(second.ok());
  EXPECT_EQ(second.error().code, support::ErrorCode::kAlreadyExists);
  EXPECT_EQ(second.error().win32_error, 183u);
  // A plain name spelled like it is another object.
  EXPECT_TRUE(lock.Acquire(L"Local\\" + name).ok());
  first.value().reset();
  EXPECT_TRUE(lock.AcquireForAdministrators(space, name).ok());
}

}  // namespace
