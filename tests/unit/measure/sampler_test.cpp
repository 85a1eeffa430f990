// The instrument against the simulated kernel timer: outcomes, validity and release.
#include "measure/sampler.h"

#include <gtest/gtest.h>

#include "measure_fixture.h"

namespace {

using platform::TimerOp;
using support::ErrorCode;

class SamplerTest : public MeasureTest {};

TEST_F(SamplerTest, OutcomesAgainstOtherProcessesAndTheKernel) {
  struct Case {
    const char* name;
    std::uint32_t requested;
    std::uint32_t held_elsewhere;  // 0 = none
    std::uint32_t round_to;        // 0 = exact
    MeasureOutcome outcome;
    std::uint32_t interferer;
    std::uint32_t actual;
  };
  const Case kCases[] = {
      {"free kernel measures", 5200, 0, 0, MeasureOutcome::kMeasured, 0, 5200},
      {"equal to the other's period measures", 5200, 5200, 0, MeasureOutcome::kMeasured, 0, 5200},
      {"coarser than the other's period is masked", 5300, 5200, 0, MeasureOutcome::kMasked, 5200,
       0},
      {"a coarser other period does not matter", 5200, 9000, 0, MeasureOutcome::kMeasured, 0, 5200},
      {"a rounding kernel fails, it does not mask", 5210, 0, 100, MeasureOutcome::kFailed, 0, 0},
      {"on the rounding grid it measures", 5300, 0, 100, MeasureOutcome::kMeasured, 0, 5300},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.timer.HoldElsewhere(c.held_elsewhere);
    machine_.timer.RoundRequestsUp(c.round_to);
    Candidate candidate = NewCandidate(c.requested);
    EXPECT_EQ(MeasureCandidate(candidate, 6, 4), c.outcome);
    EXPECT_EQ(candidate.interferer, c.interferer);
    EXPECT_EQ(candidate.actual, c.actual);
    const bool measured = c.outcome == MeasureOutcome::kMeasured;
    EXPECT_EQ(candidate.loopSamples.size(), measured ? 6u : 0u);
    EXPECT_EQ(candidate.idleSamples.size(), measured ? 4u : 0u);
    EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
    EXPECT_EQ(machine_.timer.ReleasesWithoutRequest(), 0u);
  }
}

TEST_F(SamplerTest, KernelFailuresNeverLeaveARequestBehind) {
  struct Case {
    const char* name;
    TimerOp op;
    ErrorCode code;
    bool set_made;
  };
  const Case kCases[] = {
      {"set refused: nothing to release", TimerOp::kSet, ErrorCode::kFailed, false},
      {"ntdll export missing", TimerOp::kSet, ErrorCode::kUnsupported, false},
      {"query after the set fails: released", TimerOp::kQuery, ErrorCode::kFailed, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t sets_before = machine_.timer.Sets();
    machine_.timer.FailNext(c.op, c.code);
    Candidate candidate = NewCandidate(5100);
    EXPECT_EQ(MeasureCandidate(candidate, 5, 5), MeasureOutcome::kFailed);
    EXPECT_EQ(machine_.timer.Sets() - sets_before, c.set_made ? 1u : 0u);
    EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
    EXPECT_EQ(machine_.timer.ReleasesWithoutRequest(), 0u);
    EXPECT_FALSE(candidate.HasData());
  }
}

TEST_F(SamplerTest, EmptyPatternsStillSetSettleAndRelease) {
  Candidate candidate = NewCandidate(5100);
  const std::uint64_t slept_before = machine_.clock.SleptMilliseconds();
  EXPECT_EQ(MeasureCandidate(candidate, 0, 0), MeasureOutcome::kMeasured);
  EXPECT_EQ(machine_.clock.SleptMilliseconds() - slept_before, 25u);  // 5 x 1 ms, then 20 ms
  EXPECT_EQ(machine_.timer.Sets(), 1u);
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  EXPECT_TRUE(candidate.loopSamples.empty());
  EXPECT_EQ(candidate.actual, 5100u);
}

TEST_F(SamplerTest, SamplesAreReportedAndIdleGapsCycleTwoToFive) {
  Candidate candidate = NewCandidate(5000);
  const std::uint64_t slept_before = machine_.clock.SleptMilliseconds();
  ASSERT_EQ(MeasureCandidate(candidate, 3, 5), MeasureOutcome::kMeasured);
  // Settle 25, three Sleep(1), then gaps 2 + 3 + 4 + 5 + 2 with a Sleep(1) after each.
  EXPECT_EQ(machine_.clock.SleptMilliseconds() - slept_before, 25u + 3 + 16 + 5);
  ASSERT_EQ(feed_.samples.size(), 8u);
  for (std::size_t i = 0; i < feed_.samples.size(); ++i) {
    EXPECT_EQ(feed_.samples[i].requested, 5000u);
    EXPECT_EQ(feed_.samples[i].after_idle, i >= 3);
  }
  EXPECT_DOUBLE_EQ(feed_.samples[0].overshoot, candidate.loopSamples[0]);
  EXPECT_DOUBLE_EQ(feed_.samples[3].overshoot, candidate.idleSamples[0]);
  // On a 0.5 ms grid a Sleep(1) wakes two or three ticks after the previous wake.
  for (double ms : candidate.loopSamples) {
    EXPECT_GT(ms, -0.01);
    EXPECT_LT(ms, 0.52);
  }
}

TEST_F(SamplerTest, SamplesEndingOnAnotherPeriodAreDroppedAndCounted) {
  // The other process holds a finer period 10 ms of every 50 ms: samples that end while
  // it holds it are thrown away; the set and settling happen while it is released.
  machine_.timer.HoldElsewhere(5000, 10, 40);
  machine_.clock.Advance(10);  // now released, for 40 ms
  Candidate candidate = NewCandidate(5500);
  ASSERT_EQ(MeasureCandidate(candidate, 100, 20), MeasureOutcome::kMeasured);
  EXPECT_GT(candidate.dropped, 0u);
  EXPECT_EQ(candidate.loopSamples.size() + candidate.idleSamples.size() + candidate.dropped, 120u);
  EXPECT_EQ(feed_.samples.size(), 120u - candidate.dropped);
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
}

TEST_F(SamplerTest, CancellingDuringTheIdlePatternKeepsSamplesAndReleases) {
  feed_.cancel_when = [](const MeasureFeed& f) { return f.samples.size() >= 7; };
  Candidate candidate = NewCandidate(5100);
  EXPECT_EQ(MeasureCandidate(candidate, 5, 5), MeasureOutcome::kFailed);
  EXPECT_EQ(candidate.loopSamples.size(), 5u);
  EXPECT_EQ(candidate.idleSamples.size(), 2u);
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
}

TEST_F(SamplerTest, BaselineHasNoRequestAndNeverDrops) {
  // Another process changes the clock all the time: the baseline keeps every sample.
  machine_.timer.HoldElsewhere(5000, 3, 3);
  const Baseline b = TakeBaseline();
  EXPECT_FALSE(b.cancelled);
  EXPECT_EQ(b.samples.size(), 40u);
  EXPECT_EQ(b.stats.count, 40u);
  EXPECT_EQ(machine_.timer.Sets(), 0u);
  ASSERT_EQ(feed_.baselines.size(), 1u);
  EXPECT_EQ(feed_.baselines[0].count, 40u);
  for (const MeasureFeed::Sample& s : feed_.samples) {
    EXPECT_EQ(s.requested, 0u);
    EXPECT_TRUE(s.after_idle);
  }
}

TEST_F(SamplerTest, BaselineOnTheDefaultClockWakesMostOfATickLate) {
  machine_.clock.Advance(3);  // off the 15.625 ms grid
  const Baseline b = TakeBaseline();
  EXPECT_GT(b.stats.median, 5.0);
  EXPECT_LT(b.stats.max, 15.7);
  EXPECT_EQ(feed_.baseline_current, 156250u);
}

TEST_F(SamplerTest, BaselineCancelledBeforeItsFirstSample) {
  feed_.cancel_when = [](const MeasureFeed&) { return true; };
  const Baseline b = TakeBaseline();
  EXPECT_TRUE(b.cancelled);
  EXPECT_TRUE(b.samples.empty());
  EXPECT_TRUE(feed_.baselines.empty());
}

TEST_F(SamplerTest, PriorityWordsAndTheThrottlingOptOut) {
  struct Case {
    const char* name;
    platform::PriorityClass granted;
    const wchar_t* word;
  };
  const Case kCases[] = {
      {"realtime", platform::PriorityClass::kRealtime, L"realtime"},
      {"high without the privilege", platform::PriorityClass::kHigh,
       L"high (run elevated for realtime)"},
      {"anything else", platform::PriorityClass::kOther, L"normal"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.timer.SetPriorityGranted(c.granted);
    EXPECT_EQ(EnterMeasurementPriority(), c.word);
  }
  machine_.timer.SetThrottlingOptOut(false);
  KeepTimerRequestsHonoured();  // a refusal is not an error
  EXPECT_FALSE(machine_.timer.ThrottlingOptedOut());
  machine_.timer.SetThrottlingOptOut(true);
  KeepTimerRequestsHonoured();
  EXPECT_TRUE(machine_.timer.ThrottlingOptedOut());
}

}  // namespace
