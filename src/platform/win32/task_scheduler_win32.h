// Win32TaskScheduler: the root task folder through ITaskService.
#pragma once

#include "platform/task_scheduler.h"

namespace platform {

class Win32TaskScheduler final : public TaskScheduler {
 public:
  support::Status RegisterFromXml(const std::wstring& name, const std::wstring& xml,
                                  TaskRunAs run_as) override;
  support::Status Delete(const std::wstring& name) override;
  support::Result<bool> Exists(const std::wstring& name) override;
};

}  // namespace platform
