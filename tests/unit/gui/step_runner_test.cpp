#include "gui/step_runner.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

namespace gui {
namespace {

// Counts the 40 ms retries instead of sleeping them.
class TickClock final : public RunnerClock {
 public:
  void SleepMs(int ms) override {
    slept += ms;
    std::this_thread::yield();
  }
  std::atomic<int> slept{0};
};

void WaitEnded(StepRunner& r, int slot) {
  while (!IsEnded(r.State(slot))) std::this_thread::yield();
}

TEST(GuiStepRunner, EveryEndIsRecordedOnceWithItsRun) {
  TickClock clock;
  StepRunner r(clock);
  ASSERT_TRUE(r.Start(3, [](SharedState&) { return 0; }));
  WaitEnded(r, 3);
  ASSERT_TRUE(r.Start(3, [](SharedState&) { return 1; }));  // restarts between two polls
  WaitEnded(r, 3);
  const std::vector<EndRecord> ends = r.DrainEnds();
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0].run, 1u);
  EXPECT_EQ(ends[0].state, StepState::Finished);
  EXPECT_EQ(ends[1].run, 2u);
  EXPECT_EQ(ends[1].state, StepState::Failed);
  EXPECT_EQ(ends[1].exitCode, 1);
  EXPECT_TRUE(r.DrainEnds().empty());
}

TEST(GuiStepRunner, ThrowingStepFailsAndFreesItsLock) {
  TickClock clock;
  StepRunner r(clock);
  r.Start(7, [&](SharedState&) -> int {
    r.Acquire(7, kDisk, L"x");
    throw std::runtime_error("boom");
  });
  WaitEnded(r, 7);
  EXPECT_EQ(r.State(7), StepState::Failed);
  EXPECT_EQ(r.ExitCode(7), 1);
  r.Start(0, [&](SharedState&) { return r.Acquire(0, kDisk, L"y") ? 0 : 1; });
  WaitEnded(r, 0);
  EXPECT_EQ(r.State(0), StepState::Finished);
  EXPECT_EQ(clock.slept.load(), 0);  // the disk was free at once
}

TEST(GuiStepRunner, BusySlotRunsNothingAndWaitsShowReasonUntilStopped) {
  TickClock clock;
  StepRunner r(clock);
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  std::atomic<bool> held{false};
  r.Start(1, [&](SharedState&) {
    held = r.Acquire(1, kClock, L"a");
    open.wait();
    return 0;
  });
  while (!held) std::this_thread::yield();
  bool secondRan = false;
  EXPECT_FALSE(r.Start(1, [&](SharedState&) {
    secondRan = true;
    return 0;
  }));

  std::atomic<bool> wrote{false};
  r.Start(2, [&](SharedState&) {
    if (!r.Acquire(2, kClock, L"the timer measurement is using the clock")) return 1;
    wrote = true;
    return 0;
  });
  while (r.State(2) != StepState::Waiting) std::this_thread::yield();
  FeedSnapshot snap;
  r.FeedOf(2).Snapshot(snap);
  EXPECT_EQ(snap.title, L"INSTALLING");
  EXPECT_EQ(snap.detail, L"waiting, the timer measurement is using the clock");
  r.Stop(2);
  WaitEnded(r, 2);
  EXPECT_EQ(r.State(2), StepState::Stopped);
  EXPECT_FALSE(wrote);
  gate.set_value();
  WaitEnded(r, 1);
  EXPECT_FALSE(secondRan);
  EXPECT_EQ(r.State(1), StepState::Finished);
}

TEST(GuiStepRunner, TwoLocksAreTakenTogetherOrNotAtAll) {
  TickClock clock;
  StepRunner r(clock);
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  std::atomic<bool> held{false};
  r.Start(5, [&](SharedState&) {
    held = r.Acquire(5, kGraphicsDriver, L"g");
    open.wait();
    return 0;
  });
  while (!held) std::this_thread::yield();
  r.Start(4, [&](SharedState&) { return r.Acquire(4, kDisk | kGraphicsDriver, L"d") ? 0 : 1; });
  while (r.State(4) != StepState::Waiting) std::this_thread::yield();
  // While the driver install waits for the graphics driver the disk stays free.
  r.Start(7, [&](SharedState&) { return r.Acquire(7, kDisk, L"m") ? 0 : 1; });
  WaitEnded(r, 7);
  EXPECT_EQ(r.State(7), StepState::Finished);
  gate.set_value();
  WaitEnded(r, 4);
  EXPECT_EQ(r.State(4), StepState::Finished);
}

}  // namespace
}  // namespace gui
