#include "platform/sim/sim_machine.h"

namespace platform {

SimMachine::SimMachine()
    : instance_lock(environment),
      timer(clock),
      processes(clock),
      system_restore(clock, registry),
      signature(files),
      desktop(processes),
      shared_memory(clock),
      task_scheduler(environment),
      tools(processes, power, environment, services),
      system_{clock,          console,    environment,    files,         hardware, instance_lock,
              timer,          power,      processes,      registry,      services, shell,
              system_restore, disk_cache, driver_profile, network,       hashing,  signature,
              account,        desktop,    shared_memory,  task_scheduler} {
  files.SetRunningImage([this] { return environment.ExecutablePath(); });
  services.HoldImagesWith(
      [this](const std::wstring& path, bool running) { files.HoldImage(path, running); });
}

SimMachine::~SimMachine() = default;

}  // namespace platform
