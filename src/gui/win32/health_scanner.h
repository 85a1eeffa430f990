// The periodic health scan off the window thread. The thread only reads the machine and
// posts that it is done; what follows from the results (deadlines, tooltip, balloons) is
// decided by the window thread, which owns the settings.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "health/health_check.h"

namespace gui::win32 {

class HealthScanner {
 public:
  // `done` is posted to `window` when a scan has stored its results.
  HealthScanner(HWND window, UINT done) : window_(window), done_(done) {}
  // Cancels a running scan and waits for it: the thread must not outlive the window's
  // objects it posts to.
  ~HealthScanner();
  HealthScanner(const HealthScanner&) = delete;
  HealthScanner& operator=(const HealthScanner&) = delete;

  // False while a scan runs.
  bool Start();
  bool Running() const { return running_; }
  std::vector<HealthCheck> Results() const;

 private:
  void Scan();

  HWND window_;
  UINT done_;
  mutable std::mutex mutex_;
  std::vector<HealthCheck> results_;
  std::atomic<bool> running_{false};
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

}  // namespace gui::win32
