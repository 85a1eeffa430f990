// TaskScheduler port: tasks in the root folder of Task Scheduler, registered from their
// XML text, so no definition file sits on disk between writing and registering.
#pragma once

#include <string>

#include "support/result.h"

namespace platform {

// Whom a registered task runs as; the XML's principal names the same account.
enum class TaskRunAs {
  kLoggedOnUser,  // the user of the XML's principal, with the interactive token
  kLocalSystem,   // SYSTEM, as a service account
};

class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;
  // ITaskFolder::RegisterTask in "\" with TASK_CREATE_OR_UPDATE. kAccessDenied without the
  // rights the task needs (a SYSTEM task or a start-up trigger needs an administrator);
  // kInvalidArgument when Task Scheduler rejects the XML; kUnsupported when the service
  // or the call is missing. win32_error carries the HRESULT.
  virtual support::Status RegisterFromXml(const std::wstring& name, const std::wstring& xml,
                                          TaskRunAs run_as) = 0;
  // ITaskFolder::DeleteTask; kNotFound when no such task exists.
  virtual support::Status Delete(const std::wstring& name) = 0;
  // ITaskFolder::GetTask: true when registered, false when missing, an error when the
  // scheduler could not be asked.
  virtual support::Result<bool> Exists(const std::wstring& name) = 0;
};

}  // namespace platform
