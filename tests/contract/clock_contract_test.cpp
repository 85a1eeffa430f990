// Clock: the same assertions against the sim's virtual time and the real clock.
#include <gtest/gtest.h>

#include <cstdint>

#include "contract/contract_system.h"
#include "platform/clock.h"

namespace {

TEST(ClockContract, CountersNeverGoBack) {
  platform::Clock& clock = contract::ContractSystem().clock;
  ASSERT_GT(clock.PerformanceFrequency(), 0);
  std::int64_t last = clock.PerformanceCounter();
  std::uint64_t last_tick = clock.TickCount64();
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t now = clock.PerformanceCounter();
    const std::uint64_t tick = clock.TickCount64();
    ASSERT_GE(now, last);
    ASSERT_GE(tick, last_tick);
    last = now;
    last_tick = tick;
  }
}

TEST(ClockContract, SleepLetsAtLeastThatMuchTimePass) {
  platform::Clock& clock = contract::ContractSystem().clock;
  constexpr std::uint32_t kMs = 50;
  const std::int64_t start = clock.PerformanceCounter();
  const std::uint64_t start_tick = clock.TickCount64();
  clock.Sleep(kMs);
  const double elapsed_ms = static_cast<double>(clock.PerformanceCounter() - start) * 1000.0 /
                            static_cast<double>(clock.PerformanceFrequency());
  // Windows may wake up to a timer tick early by the counter's reckoning; never sooner.
  EXPECT_GE(elapsed_ms, kMs - 16.0);
  EXPECT_GE(clock.TickCount64() - start_tick + 16, kMs);
}

TEST(ClockContract, LocalTimeIsACalendarTime) {
  const platform::LocalTime t = contract::ContractSystem().clock.Now();
  EXPECT_GE(t.year, 2020u);
  EXPECT_GE(t.month, 1u);
  EXPECT_LE(t.month, 12u);
  EXPECT_GE(t.day, 1u);
  EXPECT_LE(t.day, 31u);
  EXPECT_LT(t.hour, 24u);
  EXPECT_LT(t.minute, 60u);
  EXPECT_LT(t.second, 60u);
}

}  // namespace

namespace {

TEST(ClockContract, UtcFileTimeIsNowAndMoves) {
  auto& clock = contract::ContractSystem().clock;
  constexpr std::uint64_t k2020 = 132223104000000000;  // 2020-01-01 00:00 UTC
  const std::uint64_t first = clock.UtcFileTime();
  EXPECT_GT(first, k2020);
  clock.Sleep(20);
  EXPECT_GT(clock.UtcFileTime(), first);
}

}  // namespace
