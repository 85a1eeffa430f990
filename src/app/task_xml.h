// Task definitions as Task Scheduler reads them, registered from the text itself.
#pragma once

#include <string>

#include "platform/task_scheduler.h"

// Who runs the task and when: a user at their own logon, with the highest rights they
// have, or SYSTEM at every system start.
struct TaskDefinition {
  std::wstring description;
  std::wstring user;  // "DOMAIN\\name"; empty for SYSTEM at system start
  std::wstring command;
  std::wstring arguments;  // may be empty
};

// CR LF line ends, the second-level elements indented by two blanks, every inserted value
// XML-escaped; the working folder is the command's own.
std::wstring TaskXml(const TaskDefinition& task);

// Registers (or replaces) the task `name` in Task Scheduler's root folder from `xml`. False
// when Task Scheduler refused it, and the log says why.
bool RegisterTask(const std::wstring& name, const std::wstring& xml, platform::TaskRunAs run_as);
