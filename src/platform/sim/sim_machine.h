// SimMachine: a whole simulated Windows machine, one sim per port, for the tests.
//
//   platform::SimMachine machine;                 // Windows defaults, empty disk
//   platform::ScopedSystem guard(machine.system());
//   machine.registry.Seed(...); machine.timer.HoldElsewhere(5000); ...
//
// Every member is public so a test can seed state and inject faults directly.
#pragma once

#include "platform/sim/account_sim.h"
#include "platform/sim/clock_sim.h"
#include "platform/sim/console_sim.h"
#include "platform/sim/desktop_sim.h"
#include "platform/sim/disk_cache_sim.h"
#include "platform/sim/driver_profile_sim.h"
#include "platform/sim/environment_sim.h"
#include "platform/sim/files_sim.h"
#include "platform/sim/hardware_sim.h"
#include "platform/sim/hashing_sim.h"
#include "platform/sim/instance_lock_sim.h"
#include "platform/sim/kernel_timer_sim.h"
#include "platform/sim/network_sim.h"
#include "platform/sim/power_sim.h"
#include "platform/sim/processes_sim.h"
#include "platform/sim/registry_sim.h"
#include "platform/sim/services_sim.h"
#include "platform/sim/shared_memory_sim.h"
#include "platform/sim/shell_sim.h"
#include "platform/sim/signature_sim.h"
#include "platform/sim/system_restore_sim.h"
#include "platform/sim/task_scheduler_sim.h"
#include "platform/sim/tools_sim.h"
#include "platform/system.h"

namespace platform {

class SimMachine {
 public:
  SimMachine();
  ~SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  System& system() { return system_; }

  // Declaration order is construction order: later sims may hold references to
  // earlier ones (the timer and the processes advance the clock).
  SimClock clock;
  SimConsole console;
  SimEnvironment environment;
  SimFiles files;
  SimRegistry registry;
  SimHardware hardware;
  SimInstanceLock instance_lock;
  SimKernelTimer timer;
  SimPower power;
  SimProcesses processes;
  SimServices services;
  SimShell shell;
  SimSystemRestore system_restore;
  SimDiskCache disk_cache;
  SimDriverProfile driver_profile;
  SimNetwork network;
  SimHashing hashing;
  SimSignature signature;
  SimAccount account;
  SimDesktop desktop;
  SimSharedMemory shared_memory;
  SimTaskScheduler task_scheduler;
  // Tool stand-ins; a test that runs the tuning steps calls tools.Install().
  SimTools tools;

 private:
  System system_;
};

}  // namespace platform
