#include "tweaks/logon_tasks.h"

#include "platform/system.h"
#include "platform/task_scheduler.h"

void DeleteLogonTask(const std::wstring& name) {
  (void)platform::Sys().task_scheduler.Delete(name);
}

void DeleteAfterburnerLogonTasks() {
  DeleteLogonTask(kAfterburnerLogonTask);
  DeleteLogonTask(kRivaTunerLogonTask);
}
