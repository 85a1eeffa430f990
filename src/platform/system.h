// platform::System bundles one instance of every port. main_win32.cpp installs the
// Win32 system once; a test installs a simulated one with ScopedSystem. Read Sys() at
// the call, never cache it: a test may swap the system between calls.
#pragma once

namespace platform {

class Clock;
class Console;
class Environment;
class Files;
class Hardware;
class InstanceLock;
class KernelTimer;
class Power;
class Processes;
class Registry;
class Services;
class Shell;
class SystemRestore;
class DiskCache;
class DriverProfile;
class Network;
class Hashing;
class Signature;
class Account;
class Desktop;
class SharedMemory;
class TaskScheduler;

struct System {
  Clock& clock;
  Console& console;
  Environment& environment;
  Files& files;
  Hardware& hardware;
  InstanceLock& instance_lock;
  KernelTimer& kernel_timer;
  Power& power;
  Processes& processes;
  Registry& registry;
  Services& services;
  Shell& shell;
  SystemRestore& system_restore;
  DiskCache& disk_cache;
  DriverProfile& driver_profile;
  Network& network;
  Hashing& hashing;
  Signature& signature;
  Account& account;
  Desktop& desktop;
  SharedMemory& shared_memory;
  TaskScheduler& task_scheduler;
};

// The installed system. Calling it before one is installed is a programming error and
// aborts.
System& Sys();

// Installs `system` for the whole process (the entry point does this once).
void InstallSystem(System* system);

// Installs `system` for its lifetime and restores the previous one after.
class ScopedSystem {
 public:
  explicit ScopedSystem(System& system);
  ~ScopedSystem();
  ScopedSystem(const ScopedSystem&) = delete;
  ScopedSystem& operator=(const ScopedSystem&) = delete;

 private:
  System* previous_;
};

}  // namespace platform
