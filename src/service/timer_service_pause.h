// A measurement must not run under the timer service's request (it would mask every
// coarser candidate): the flows that measure stop the running timer services for the run
// and start again exactly those they stopped, whatever the run gave.
#pragma once

#include <string>
#include <vector>

class TimerServicePause {
 public:
  // Stops "Veltrane" and "Quantick" where they run (elevated only; unelevated it warns
  // that coarser candidates cannot be measured).
  TimerServicePause();
  // Starts again what is still stopped by this pause.
  ~TimerServicePause();
  TimerServicePause(const TimerServicePause&) = delete;
  TimerServicePause& operator=(const TimerServicePause&) = delete;

  // Some service was stopped for the run and is to be started again.
  bool StoppedAny() const { return !stopped_.empty(); }
  // Starts again every service this pause stopped; true when all of them run again.
  bool Resume();
  // Forgets what it stopped, for a caller that replaced those services itself.
  void Dismiss() { stopped_.clear(); }

 private:
  std::vector<std::wstring> stopped_;
};
