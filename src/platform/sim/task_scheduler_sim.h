// SimTaskScheduler: the root task folder of the simulated machine. It refuses as Task
// Scheduler does: a definition it cannot read, a task that runs as SYSTEM or at start-up
// registered without elevation, and a task an administrator registered changed or
// deleted without elevation.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/sim/environment_sim.h"
#include "platform/task_scheduler.h"

namespace platform {

class SimTaskScheduler final : public TaskScheduler {
 public:
  explicit SimTaskScheduler(SimEnvironment& environment);

  support::Status RegisterFromXml(const std::wstring& name, const std::wstring& xml,
                                  TaskRunAs run_as) override;
  support::Status Delete(const std::wstring& name) override;
  support::Result<bool> Exists(const std::wstring& name) override;

  // Test controls. The registered definition, by name (any case).
  std::optional<std::wstring> Xml(const std::wstring& name);
  std::optional<TaskRunAs> RunAs(const std::wstring& name);
  // A task registered earlier, by an administrator unless `by_administrator` is false.
  void Seed(const std::wstring& name, const std::wstring& xml, bool by_administrator = true);
  // The Task Scheduler service is stopped: every call fails.
  void SetServiceRunning(bool running);

 private:
  struct Task {
    std::wstring xml;
    TaskRunAs run_as = TaskRunAs::kLoggedOnUser;
    bool by_administrator = true;
  };
  // The refusal every call meets first, under mutex_.
  std::optional<support::PortError> Unavailable() const;

  SimEnvironment& environment_;
  std::mutex mutex_;
  std::map<std::wstring, Task> tasks_;  // key: folded name
  bool running_ = true;
};

}  // namespace platform
