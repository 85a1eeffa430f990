// --apply: the console holds a period until a console event releases it.
#include <gtest/gtest.h>

#include <thread>

#include "app/output.h"
#include "service/install.h"
#include "service_fixture.h"

namespace {

class ConsoleHoldTest : public ServiceTest {
 protected:
  // Runs the hold on a worker and fires the console break once the hold is waiting.
  int HoldAndBreak(std::uint32_t resolution) {
    int code = -1;
    std::thread hold([&] { code = HoldResolutionInConsole(resolution); });
    while (!machine_.console.FireBreak()) std::this_thread::yield();
    hold.join();
    return code;
  }
};

TEST_F(ConsoleHoldTest, HoldsTheClampedPeriodUntilBreak) {
  struct Case {
    const char* name;
    std::uint32_t given;
    std::uint32_t coarsest;
    std::uint32_t held;
  };
  const Case kCases[] = {
      {"given", 5070, 156250, 5070},
      {"zero means the finest", 0, 156250, 5000},
      {"below the finest holds the finest", 4000, 156250, 5000},
      {"above the coarsest holds the coarsest", 200000, 156250, 156250},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    machine_.timer.SetRange(c.coarsest, 5000, c.coarsest);
    // The line names what the kernel answered the request with: the held period here.
    EXPECT_EQ(HoldAndBreak(c.given), 0);
    EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
    const std::wstring expected = Format(
        L"Holding timer resolution at %.4f ms in this process. Ctrl+C to release.\n\n"
        L"Resolution released.\n",
        c.held / 10000.0);
    EXPECT_EQ(Out(), expected);
  }
}

TEST_F(ConsoleHoldTest, SaysSoWhenTheServiceAlsoHolds) {
  SeedInstalledService(platform::ServiceRunState::kRunning);
  EXPECT_EQ(HoldAndBreak(5070), 0);
  EXPECT_NE(Out().find(L"(The Veltrane service is also running; the lower of the two requests "
                       L"wins.)\n"),
            std::wstring::npos);
  EXPECT_TRUE(machine_.timer.ThrottlingOptedOut());
}

TEST_F(ConsoleHoldTest, TimerFailuresEndAtOnce) {
  machine_.timer.FailNext(platform::TimerOp::kQuery, support::ErrorCode::kUnsupported);
  EXPECT_EQ(HoldResolutionInConsole(5070), 1);
  machine_.timer.FailNext(platform::TimerOp::kSet, support::ErrorCode::kFailed);
  EXPECT_EQ(HoldResolutionInConsole(5070), 1);
  EXPECT_EQ(Err(), L"NtQueryTimerResolution failed.\nNtSetTimerResolution failed.\n");
}

TEST_F(ConsoleHoldTest, TheBreakHandlerIsHarmlessWithoutAHold) {
  EXPECT_TRUE(ConsoleBreakHandler());
}

}  // namespace
