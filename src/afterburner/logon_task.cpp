#include "afterburner/logon_task.h"

#include "app/task_xml.h"
#include "platform/account.h"
#include "platform/registry.h"
#include "platform/system.h"

std::wstring LogonTaskXml(const std::wstring& user, const std::wstring& command,
                          const std::wstring& arguments) {
  return TaskXml({L"Veltrane starts this program at logon and applies the saved overclock.", user,
                  command, arguments});
}

bool CreateLogonTask(const std::wstring& name, const std::wstring& command,
                     const std::wstring& arguments) {
  // The task runs for this user only; without a name for it there is no task.
  const auto user = platform::Sys().account.CurrentUser();
  if (!user || user->empty()) return false;
  // Registered from the text itself: the task runs with the highest rights at every
  // logon, and a definition file would give another program a moment to swap the command.
  return RegisterTask(name, LogonTaskXml(*user, command, arguments),
                      platform::TaskRunAs::kLoggedOnUser);
}

bool SetGpuPreference(const std::wstring& exePath) {
  return platform::Sys()
      .registry
      .WriteString({platform::Hive::kCurrentUser,
                    L"Software\\Microsoft\\DirectX\\UserGpuPreferences", exePath},
                   L"GpuPreference=2;")
      .ok();
}
