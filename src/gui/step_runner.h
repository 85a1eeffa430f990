// StepRunner: the nine step slots, their worker threads and the four resource locks. The
// window thread starts and stops steps and drains end records; workers never wait on it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/shared_state.h"
#include "gui/steps.h"

namespace gui {

// How a waiting worker sleeps between tries of a lock; tests pass a simulated one.
class RunnerClock {
 public:
  virtual ~RunnerClock() = default;
  virtual void SleepMs(int ms) = 0;
};

// One end of one run of a slot, recorded by the worker and drained exactly once by the
// window, also while it draws nothing.
struct EndRecord {
  int slot = 0;
  std::uint64_t run = 0;
  StepState state = StepState::Idle;
  int exitCode = 0;
};

class StepRunner {
 public:
  // The work of one run; it calls Acquire before writing anything.
  using Work = std::function<int(SharedState& feed)>;
  static constexpr int kRetryMs = 40;

  explicit StepRunner(RunnerClock& clock);
  ~StepRunner();  // stops every slot and joins its worker
  StepRunner(const StepRunner&) = delete;
  StepRunner& operator=(const StepRunner&) = delete;

  // Starts `work` on `slot` unless the slot is busy; false (and the work dropped) if it is.
  bool Start(int slot, Work work);
  // Sets the slot's stop flag and its feed's cancel flag; the step ends at its next check.
  void Stop(int slot);
  void StopAll();
  StepState State(int slot) const;
  int ExitCode(int slot) const;  // valid once State is an end state
  std::uint64_t Runs(int slot) const;
  SharedState& FeedOf(int slot);
  // Puts an ended slot back to Idle (a full tune's Begin); busy slots are left alone.
  void ResetEnded(int slot);

  // Called from `slot`'s own work: takes every lock in `resources` together or none,
  // showing "waiting, " + reason and retrying every 40 ms. False once stopped or cancelled
  // while waiting; the step then must return without writing.
  bool Acquire(int slot, std::uint32_t resources, const std::wstring& reason);
  bool StopRequested(int slot);

  std::vector<EndRecord> DrainEnds();

 private:
  struct Slot {
    std::thread worker;
    SharedState feed;
    std::atomic<bool> stop{false};
    std::atomic<std::uint32_t> state{0};
    std::atomic<int> exitCode{0};
    std::uint64_t run = 0;   // window thread only
    std::uint32_t held = 0;  // resources the current run holds; its worker only
  };

  void RunWorker(int slot, std::uint64_t run, Work work);
  bool TryLockAll(std::uint32_t resources);
  void Release(std::uint32_t resources);
  Slot& At(int slot) { return slots_[static_cast<std::size_t>(slot)]; }
  const Slot& At(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

  RunnerClock& clock_;
  std::array<Slot, kStepCount> slots_;
  std::array<std::mutex, 4> locks_;  // clock, power plan, graphics driver, disk
  std::mutex endsMu_;
  std::vector<EndRecord> ends_;
};

}  // namespace gui
