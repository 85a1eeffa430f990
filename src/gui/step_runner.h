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
  std::uint32_t held = 0;  // the period a Hold run installed, 0 otherwise
  bool handedOff = false;  // the work went to an elevated copy: not a success of this one
};

class StepRunner {
 public:
  // The work of one run; it calls Acquire before writing anything.
  using Work = std::function<int(SharedState& feed)>;
  static constexpr int kRetryMs = 40;

  explicit StepRunner(RunnerClock& clock);
  ~StepRunner();  // Shutdown
  // Stops every slot and joins every worker; a worker waiting for a lock returns at its
  // next try.
  void Shutdown();
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
  // The same, with the reason told by the resource that is held by someone else.
  using ReasonFor = std::function<std::wstring(Resource blocked)>;
  bool Acquire(int slot, std::uint32_t resources, const ReasonFor& reason);
  // Called from `slot`'s own work: what its end record carries besides the state.
  void NoteEnd(int slot, std::uint32_t held, bool handedOff);
  bool StopRequested(int slot);
  // Called from `slot`'s own work: waits until `ready` holds, showing `title` and `detail`
  // as Waiting and asking again every 40 ms. False once stopped or cancelled.
  bool WaitFor(int slot, const std::function<bool()>& ready, const std::wstring& title,
               const std::wstring& detail);

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
    EndRecord note;          // held value and hand-off of the current run; its worker only
  };

  void RunWorker(int slot, std::uint64_t run, Work work);
  // 0 when every lock in `resources` was taken, else the first one held elsewhere.
  std::uint32_t TryLockAll(std::uint32_t resources);
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
