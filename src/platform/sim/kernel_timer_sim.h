// SimKernelTimer: the simulated kernel timer of SimMachine, and the Sleep model that
// makes the virtual clock wake on its ticks.
//
// The kernel runs at the finest of all outstanding requests (this process's and the
// "other process" a test switches on), or at the idle period when there are none.
// Sleep(ms) wakes at the first tick at least ms after the call; with a probability that
// depends on the period (the miss curve) it wakes one tick later, and every wake comes
// a seeded random latency after its tick. A test can therefore state which period a
// correct engine must select on a given model.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>

#include "platform/kernel_timer.h"
#include "platform/sim/clock_sim.h"
#include "platform/sim/fault_queue.h"

namespace platform {

enum class TimerOp { kQuery, kSet, kRelease };

// How late wakes are. Periods in 100-ns units; latencies in 100-ns units.
struct WakeModel {
  // Miss probability: `miss_below` under band_start, falling linearly to `miss_above`
  // at band_end and staying there.
  std::uint32_t band_start = 5000;
  std::uint32_t band_end = 5000;
  double miss_below = 0;
  double miss_above = 0;
  // Each wake comes uniformly latency_min..latency_max after its tick.
  std::uint32_t latency_min = 20;
  std::uint32_t latency_max = 60;

  double MissRate(std::uint32_t period) const;

  // No misses at all: only the tick grid and the wake latency shape the curve.
  static WakeModel Clean();
  // Misses fade out over a band 0.5 ms wide, so the transition is wider than the cap.
  static WakeModel NoisyWideBand();
};

class SimKernelTimer final : public KernelTimer {
 public:
  explicit SimKernelTimer(SimClock& clock);
  ~SimKernelTimer() override;
  SimKernelTimer(const SimKernelTimer&) = delete;
  SimKernelTimer& operator=(const SimKernelTimer&) = delete;

  support::Result<TimerRange> Query() override;
  support::Result<std::uint32_t> Request(std::uint32_t period, bool set) override;
  PriorityClass RaiseToRealtime() override;
  bool IgnoreTimerResolutionThrottling() override;

  // Test controls.
  // The kernel's limits and the period it runs at with no request (defaults 156250,
  // 5000, and the coarsest).
  void SetRange(std::uint32_t coarsest, std::uint32_t finest, std::uint32_t idle);
  // Another process holds `period` (0 = nothing). With on_ms and off_ms both non-zero it
  // holds it only on_ms out of every on_ms + off_ms of virtual time, starting held.
  void HoldElsewhere(std::uint32_t period, std::uint32_t on_ms = 0, std::uint32_t off_ms = 0);
  // The kernel rounds every request up to a multiple of `multiple` (0 = exact).
  void RoundRequestsUp(std::uint32_t multiple);
  // Requests succeed and change nothing (what Wine does).
  void IgnoreRequests(bool ignore);
  void SetWakeModel(const WakeModel& model);
  void Seed(std::uint64_t seed);
  void SetPriorityGranted(PriorityClass granted);
  void SetThrottlingOptOut(bool works);
  // The next call of `op` fails (kUnsupported imitates a missing ntdll export).
  void FailNext(TimerOp op, support::ErrorCode code);

  // Inspection.
  std::optional<std::uint32_t> OwnRequest();  // this process's outstanding request
  std::uint32_t Sets();                       // successful set calls
  std::uint32_t ReleasesWithoutRequest();     // releases that found nothing to release
  bool ThrottlingOptedOut();
  PriorityClass PriorityNow();

 private:
  std::uint32_t CurrentLocked(std::int64_t now) const;
  std::int64_t WakeAfter(std::int64_t now, std::uint32_t ms);

  SimClock& clock_;
  std::mutex mutex_;
  TimerRange limits_{156250, 5000, 156250};  // current = the idle period
  std::optional<std::uint32_t> own_;
  std::uint32_t other_ = 0;
  std::int64_t other_on_ = 0, other_cycle_ = 0, other_since_ = 0;  // counts
  std::uint32_t round_to_ = 0;
  bool ignore_requests_ = false;
  WakeModel model_ = WakeModel::Clean();
  std::mt19937_64 random_{1};
  PriorityClass granted_ = PriorityClass::kRealtime;
  PriorityClass priority_ = PriorityClass::kOther;
  bool opt_out_works_ = true;
  bool opted_out_ = false;
  std::uint32_t sets_ = 0;
  std::uint32_t stray_releases_ = 0;
  sim::FaultQueue<TimerOp> faults_;
};

}  // namespace platform
