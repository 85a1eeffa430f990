#include "gui/step_runner.h"

namespace gui {

StepRunner::StepRunner(RunnerClock& clock) : clock_(clock) {}

StepRunner::~StepRunner() { Shutdown(); }

void StepRunner::Shutdown() {
  StopAll();
  for (Slot& s : slots_) {
    if (s.worker.joinable()) s.worker.join();
  }
}

bool StepRunner::Start(int slot, Work work) {
  Slot& s = At(slot);
  if (IsBusy(State(slot))) return false;
  if (s.worker.joinable()) s.worker.join();  // ended: its worker is returning or gone
  s.stop.store(false);
  s.exitCode.store(0);
  s.feed.Reset();
  s.note = {};
  const std::uint64_t run = ++s.run;
  s.state.store(static_cast<std::uint32_t>(StepState::Running), std::memory_order_release);
  s.worker = std::thread(
      [this, slot, run, w = std::move(work)]() mutable { RunWorker(slot, run, std::move(w)); });
  return true;
}

void StepRunner::RunWorker(int slot, std::uint64_t run, Work work) {
  Slot& s = At(slot);
  int code = 1;
  BindThreadFeed(&s.feed);
  try {
    code = work ? work(s.feed) : 1;
  } catch (...) {
    code = 1;  // an escaping exception is a failure of this step only
  }
  // End order: locks first so a waiting step proceeds, then the feed, the exit code, and
  // the state last (release) so a reader that sees the end state sees the rest.
  Release(s.held);
  s.held = 0;
  UnbindThreadFeed();
  const bool stopped = s.stop.load() || s.feed.IsCancelled();
  const StepState end =
      code == 0 ? StepState::Finished : (stopped ? StepState::Stopped : StepState::Failed);
  s.exitCode.store(code, std::memory_order_relaxed);
  {
    std::lock_guard lock(endsMu_);
    ends_.push_back({slot, run, end, code, s.note.held, s.note.handedOff});
  }
  s.state.store(static_cast<std::uint32_t>(end), std::memory_order_release);
}

void StepRunner::Stop(int slot) {
  At(slot).stop.store(true);
  At(slot).feed.Cancel();
}

void StepRunner::StopAll() {
  for (int i = 0; i < kStepCount; ++i) Stop(i);
}

StepState StepRunner::State(int slot) const {
  return static_cast<StepState>(At(slot).state.load(std::memory_order_acquire));
}

int StepRunner::ExitCode(int slot) const {
  return At(slot).exitCode.load(std::memory_order_relaxed);
}

std::uint64_t StepRunner::Runs(int slot) const { return At(slot).run; }

SharedState& StepRunner::FeedOf(int slot) { return At(slot).feed; }

void StepRunner::ResetEnded(int slot) {
  std::uint32_t expected = At(slot).state.load(std::memory_order_acquire);
  if (IsEnded(static_cast<StepState>(expected))) {
    At(slot).state.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
  }
}

bool StepRunner::StopRequested(int slot) {
  return At(slot).stop.load() || At(slot).feed.IsCancelled();
}

std::uint32_t StepRunner::TryLockAll(std::uint32_t resources) {
  std::uint32_t taken = 0;
  // Fixed order (clock, power plan, graphics driver, disk); a partial set is given back so
  // no step holds one resource while it waits for another.
  for (std::uint32_t i = 0; i < locks_.size(); ++i) {
    if ((resources & (1u << i)) == 0) continue;
    if (!locks_[i].try_lock()) {
      Release(taken);
      return 1u << i;
    }
    taken |= 1u << i;
  }
  return 0;
}

void StepRunner::Release(std::uint32_t resources) {
  for (std::uint32_t i = 0; i < locks_.size(); ++i) {
    if (resources & (1u << i)) locks_[i].unlock();
  }
}

bool StepRunner::Acquire(int slot, std::uint32_t resources, const std::wstring& reason) {
  return Acquire(slot, resources, [&reason](Resource) { return reason; });
}

bool StepRunner::Acquire(int slot, std::uint32_t resources, const ReasonFor& reason) {
  Slot& s = At(slot);
  const std::uint32_t wanted = resources & ~s.held;
  std::uint32_t shownFor = 0;  // the blocker the status names; it is told again on a change
  for (std::uint32_t blocked = TryLockAll(wanted); blocked != 0; blocked = TryLockAll(wanted)) {
    if (StopRequested(slot)) return false;
    if (blocked != shownFor) {
      s.feed.ShowStatus(BannerTitle(slot), L"waiting, " + reason(static_cast<Resource>(blocked)));
      s.state.store(static_cast<std::uint32_t>(StepState::Waiting), std::memory_order_release);
      shownFor = blocked;
    }
    clock_.SleepMs(kRetryMs);
  }
  s.held |= wanted;
  if (StopRequested(slot)) return false;  // the run ends and gives the locks back
  s.state.store(static_cast<std::uint32_t>(StepState::Running), std::memory_order_release);
  return true;
}

bool StepRunner::WaitFor(int slot, const std::function<bool()>& ready, const std::wstring& title,
                         const std::wstring& detail) {
  Slot& s = At(slot);
  bool shown = false;
  while (!ready()) {
    if (StopRequested(slot)) return false;
    if (!shown) {
      s.feed.ShowStatus(title, detail);
      s.state.store(static_cast<std::uint32_t>(StepState::Waiting), std::memory_order_release);
      shown = true;
    }
    clock_.SleepMs(kRetryMs);
  }
  if (shown) {
    s.state.store(static_cast<std::uint32_t>(StepState::Running), std::memory_order_release);
  }
  return !StopRequested(slot);
}

void StepRunner::NoteEnd(int slot, std::uint32_t held, bool handedOff) {
  At(slot).note.held = held;
  At(slot).note.handedOff = handedOff;
}

std::vector<EndRecord> StepRunner::DrainEnds() {
  std::lock_guard lock(endsMu_);
  std::vector<EndRecord> out;
  out.swap(ends_);
  return out;
}

}  // namespace gui
