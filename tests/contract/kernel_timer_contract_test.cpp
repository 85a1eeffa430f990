// KernelTimer: the same assertions against the simulated timer and ntdll's (under Wine,
// whose timer reports 1 ms and ignores requests).
#include <gtest/gtest.h>

#include <cstdint>

#include "contract/contract_system.h"
#include "platform/kernel_timer.h"

namespace {

platform::KernelTimer& Timer() { return contract::ContractSystem().kernel_timer; }

TEST(KernelTimerContract, RangeIsOrderedAndNonZero) {
  const auto range = Timer().Query();
  ASSERT_TRUE(range.ok());
  EXPECT_GT(range->finest, 0u);
  EXPECT_LE(range->finest, range->current);
  EXPECT_LE(range->current, range->coarsest);
  // 100-ns units: a kernel period is between 0.05 ms and 100 ms.
  EXPECT_GE(range->finest, 500u);
  EXPECT_LE(range->coarsest, 1'000'000u);
}

TEST(KernelTimerContract, ASetRequestIsReportedWithinTheRangeAndReleased) {
  const auto range = Timer().Query();
  ASSERT_TRUE(range.ok());
  for (std::uint32_t period : {range->finest, range->coarsest}) {
    SCOPED_TRACE(period);
    const auto set = Timer().Request(period, true);
    ASSERT_TRUE(set.ok());
    EXPECT_GE(*set, range->finest);
    EXPECT_LE(*set, period);  // the finest of all requests, ours included
    const auto now = Timer().Query();
    ASSERT_TRUE(now.ok());
    EXPECT_LE(now->current, period);
    EXPECT_TRUE(Timer().Request(period, false).ok());
  }
}

TEST(KernelTimerContract, ReleasingGivesTheReportBack) {
  const auto range = Timer().Query();
  ASSERT_TRUE(range.ok());
  ASSERT_TRUE(Timer().Request(range->finest, true).ok());
  const auto released = Timer().Request(range->finest, false);
  ASSERT_TRUE(released.ok());
  EXPECT_GE(*released, range->finest);
  EXPECT_LE(*released, range->coarsest);
}

}  // namespace
