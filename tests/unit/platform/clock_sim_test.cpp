// The sim clock: virtual time, calendar roll-over, the sleep model and threads.
#include "platform/sim/clock_sim.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(SimClockTest, SleepMovesTimeWithoutWaiting) {
  SimClock clock;
  const std::int64_t counter = clock.PerformanceCounter();
  const std::uint64_t tick = clock.TickCount64();
  clock.Sleep(30000);
  EXPECT_EQ(clock.PerformanceCounter() - counter, 30000 * SimClock::kCountsPerMs);
  EXPECT_EQ(clock.TickCount64() - tick, 30000u);
  EXPECT_EQ(clock.SleptMilliseconds(), 30000u);
}

TEST(SimClockTest, LocalTimeRollsOverTheCalendar) {
  struct Case {
    const char* name;
    LocalTime start;
    std::uint64_t advance_ms;
    LocalTime expected;
  };
  const Case kCases[] = {
      {"new year", {2023, 12, 31, 23, 59, 59}, 1000, {2024, 1, 1, 0, 0, 0}},
      {"leap day", {2024, 2, 28, 23, 0, 0}, 3600000, {2024, 2, 29, 0, 0, 0}},
      {"no leap day", {2023, 2, 28, 23, 0, 0}, 3600000, {2023, 3, 1, 0, 0, 0}},
      {"below a second", {2024, 5, 1, 12, 0, 0}, 999, {2024, 5, 1, 12, 0, 0}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    SimClock clock;
    clock.SetLocalTime(c.start);
    clock.Advance(c.advance_ms);
    const LocalTime t = clock.Now();
    EXPECT_EQ(t.year, c.expected.year);
    EXPECT_EQ(t.month, c.expected.month);
    EXPECT_EQ(t.day, c.expected.day);
    EXPECT_EQ(t.hour, c.expected.hour);
    EXPECT_EQ(t.minute, c.expected.minute);
    EXPECT_EQ(t.second, c.expected.second);
  }
}

TEST(SimClockTest, SleepModelDecidesTheWakeButTimeNeverGoesBack) {
  SimClock clock;
  clock.SetSleepModel([](std::int64_t now, std::uint32_t) { return now + 5070; });
  const std::int64_t start = clock.PerformanceCounter();
  clock.Sleep(1);
  EXPECT_EQ(clock.PerformanceCounter() - start, 5070);
  clock.SetSleepModel([](std::int64_t now, std::uint32_t) { return now - 100; });
  clock.Sleep(1);
  EXPECT_EQ(clock.PerformanceCounter() - start, 5070);
}

TEST(SimClockTest, ThreadsShareOneTimeLine) {
  SimClock clock;
  const std::uint64_t start = clock.TickCount64();
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&clock] {
      for (int j = 0; j < 1000; ++j) clock.Advance(1);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(clock.TickCount64() - start, 4000u);
}

}  // namespace
}  // namespace platform
