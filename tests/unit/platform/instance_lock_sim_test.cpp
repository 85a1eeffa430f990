// The named mutex sim: other processes, failures, and handles that outlive the sim.
#include "platform/sim/instance_lock_sim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr wchar_t kName[] = L"Global\\Veltrane.SingleInstance";

TEST(SimInstanceLockTest, AnotherProcessHoldsTheNameUntilItLetsGo) {
  SimEnvironment environment;
  SimInstanceLock lock(environment);
  lock.HoldElsewhere(kName);
  EXPECT_EQ(lock.TryCreate(kName), nullptr);
  EXPECT_NE(lock.TryCreate(L"global\\veltrane.singleinstance"), nullptr);  // case matters
  lock.ReleaseElsewhere(kName);
  EXPECT_NE(lock.TryCreate(kName), nullptr);
}

TEST(SimInstanceLockTest, FailedCreateHoldsNothing) {
  SimEnvironment environment;
  SimInstanceLock lock(environment);
  lock.FailNextCreate();
  EXPECT_EQ(lock.TryCreate(kName), nullptr);
  EXPECT_FALSE(lock.IsHeld(kName));
  auto held = lock.TryCreate(kName);
  EXPECT_TRUE(lock.IsHeld(kName));
}

TEST(SimInstanceLockTest, HandleMayOutliveTheSim) {
  std::unique_ptr<HeldMutex> held;
  {
    SimEnvironment environment;
    SimInstanceLock lock(environment);
    held = lock.TryCreate(kName);
  }
  held.reset();  // must not touch freed memory
}

}  // namespace
}  // namespace platform
