#include "gui/win32/health_scanner.h"

#include "health/health_checks.h"

namespace gui::win32 {

HealthScanner::~HealthScanner() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

bool HealthScanner::Start() {
  if (running_) return false;
  // The previous scan has posted and ended; its thread only needs collecting.
  if (thread_.joinable()) thread_.join();
  running_ = true;
  thread_ = std::thread(&HealthScanner::Scan, this);
  return true;
}

std::vector<HealthCheck> HealthScanner::Results() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return results_;
}

void HealthScanner::Scan() {
  std::vector<HealthCheck> results = RunHealthChecks(&cancel_);
  if (cancel_) return;  // a cut-short list replaces nothing
  {
    std::lock_guard<std::mutex> lock(mutex_);
    results_ = std::move(results);
  }
  running_ = false;
  ::PostMessageW(window_, done_, 0, 0);
}

}  // namespace gui::win32
