#include "measure/sampler.h"

#include "app/feed.h"
#include "measure/views.h"
#include "platform/clock.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kBaselineSamples = 40;

// What one sampling call needs at hand, fetched once so the timed path only calls.
struct Instrument {
  platform::Clock& clock;
  platform::KernelTimer& timer;
  gui::Feed* feed;
  double frequency;  // counter counts per second

  static Instrument Take() {
    platform::System& sys = platform::Sys();
    return {sys.clock, sys.kernel_timer, CurrentFeed(),
            static_cast<double>(sys.clock.PerformanceFrequency())};
  }

  bool Cancelled() const { return feed != nullptr && feed->IsCancelled(); }

  // One timed Sleep(1): the overshoot beyond 1 ms, negative values kept as measured.
  // Nothing between the two counter reads may allocate or report.
  double TimeSleep() const {
    const std::int64_t t0 = clock.PerformanceCounter();
    clock.Sleep(1);
    const std::int64_t t1 = clock.PerformanceCounter();
    return static_cast<double>(t1 - t0) * 1000.0 / frequency - 1.0;
  }

  // A sample counts only if the clock still runs at the requested period when it ends;
  // the baseline (requested 0) has nothing to check.
  void Sample(Candidate& c, std::vector<double>& into, bool after_idle) const {
    const double overshoot = TimeSleep();
    if (c.requested != 0) {
      const auto range = timer.Query();
      if (!range.ok() || range->current != c.requested) {
        ++c.dropped;
        return;
      }
    }
    if (feed != nullptr) feed->AddSample(c.requested, overshoot, after_idle);
    into.push_back(overshoot);
  }

  void Release(std::uint32_t period) const { (void)timer.Request(period, false); }
};

}  // namespace

bool QueryTimerRange(platform::TimerRange& range) {
  const auto result = platform::Sys().kernel_timer.Query();
  if (!result.ok()) return false;
  range = *result;
  return true;
}

MeasureOutcome MeasureCandidate(Candidate& c, std::uint32_t loopCount, std::uint32_t idleCount) {
  const Instrument in = Instrument::Take();
  // Step 1: the request; nothing to release when the kernel refuses it.
  if (!in.timer.Request(c.requested, true).ok()) return MeasureOutcome::kFailed;
  // Step 2: let the new period take hold.
  for (int i = 0; i < 5; ++i) in.clock.Sleep(1);
  in.clock.Sleep(20);
  // Step 3: a finer period than ours means another process masks this candidate; a
  // coarser one means the kernel rounded our request.
  const auto range = in.timer.Query();
  if (!range.ok() || range->current != c.requested) {
    in.Release(c.requested);
    if (range.ok() && range->current < c.requested) {
      c.interferer = range->current;
      return MeasureOutcome::kMasked;
    }
    return MeasureOutcome::kFailed;
  }
  c.actual = range->current;
  // Step 4: room for every sample of this call before the first timed Sleep.
  c.loopSamples.reserve(c.loopSamples.size() + loopCount);
  c.idleSamples.reserve(c.idleSamples.size() + idleCount);
  // Step 5: back-to-back, then after idle gaps of 2, 3, 4, 5, 2, ... ms.
  for (std::uint32_t i = 0; i < loopCount; ++i) {
    if (in.Cancelled()) {
      in.Release(c.requested);
      return MeasureOutcome::kFailed;
    }
    in.Sample(c, c.loopSamples, false);
  }
  for (std::uint32_t i = 0; i < idleCount; ++i) {
    if (in.Cancelled()) {
      in.Release(c.requested);
      return MeasureOutcome::kFailed;
    }
    in.clock.Sleep(i % 4 + 2);
    in.Sample(c, c.idleSamples, true);
  }
  // Step 6: give the period back.
  in.Release(c.requested);
  return MeasureOutcome::kMeasured;
}

Baseline TakeBaseline() {
  const Instrument in = Instrument::Take();
  Baseline baseline;
  baseline.samples.reserve(kBaselineSamples);
  Candidate none;  // requested 0: no validity check, reported as the baseline
  for (std::uint32_t i = 0; i < kBaselineSamples; ++i) {
    if (in.Cancelled()) {
      baseline.cancelled = true;
      return baseline;
    }
    in.Sample(none, baseline.samples, true);
    in.clock.Sleep(2);
  }
  platform::TimerRange range;
  const bool known = QueryTimerRange(range);
  const std::uint32_t tick = !known ? 0 : range.current != 0 ? range.current : range.coarsest;
  baseline.stats = ComputeStats(baseline.samples, tick, 100, 2);
  if (in.feed != nullptr) in.feed->ShowBaseline(PatternViewOf(baseline.stats), range.current);
  return baseline;
}

std::wstring EnterMeasurementPriority() {
  switch (platform::Sys().kernel_timer.RaiseToRealtime()) {
    case platform::PriorityClass::kRealtime:
      return L"realtime";
    case platform::PriorityClass::kHigh:
      return L"high (run elevated for realtime)";
    case platform::PriorityClass::kOther:
      break;
  }
  return L"normal";
}

void KeepTimerRequestsHonoured() {
  (void)platform::Sys().kernel_timer.IgnoreTimerResolutionThrottling();
}
