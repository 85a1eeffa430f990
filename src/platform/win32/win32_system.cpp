#include "platform/win32/win32_system.h"

#include "platform/win32/account_win32.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/console_win32.h"
#include "platform/win32/desktop_win32.h"
#include "platform/win32/disk_cache_win32.h"
#include "platform/win32/driver_profile_win32.h"
#include "platform/win32/environment_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/hardware_win32.h"
#include "platform/win32/hashing_win32.h"
#include "platform/win32/instance_lock_win32.h"
#include "platform/win32/kernel_timer_win32.h"
#include "platform/win32/network_win32.h"
#include "platform/win32/power_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/shared_memory_win32.h"
#include "platform/win32/shell_win32.h"
#include "platform/win32/signature_win32.h"
#include "platform/win32/system_restore_win32.h"
#include "platform/win32/task_scheduler_win32.h"

namespace platform {

System& Win32System() {
  // Function-local statics: built once, thread-safe, and never torn down before the
  // last use at process exit.
  static Win32Clock clock;
  static Win32Console console;
  static Win32Environment environment;
  static Win32Files files;
  static Win32Hardware hardware;
  static Win32InstanceLock instance_lock;
  static Win32KernelTimer kernel_timer;
  static Win32Power power;
  static Win32Processes processes;
  static Win32Registry registry;
  static Win32Services services;
  static Win32Shell shell;
  static Win32SystemRestore system_restore;
  static Win32DiskCache disk_cache;
  static Win32DriverProfile driver_profile;
  static Win32Network network;
  static Win32Hashing hashing;
  static Win32Signature signature;
  static Win32Account account;
  static Win32Desktop desktop;
  static Win32SharedMemory shared_memory;
  static Win32TaskScheduler task_scheduler;
  static System system{clock,         console,       environment,    files,      hardware,
                       instance_lock, kernel_timer,  power,          processes,  registry,
                       services,      shell,         system_restore, disk_cache, driver_profile,
                       network,       hashing,       signature,      account,    desktop,
                       shared_memory, task_scheduler};
  return system;
}

}  // namespace platform
