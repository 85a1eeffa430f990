#include "platform/sim/sim_machine.h"

namespace platform {

SimMachine::SimMachine()
    : timer(clock),
      processes(clock),
      signature(files),
      system_{clock,          console,    environment,    files,   hardware, instance_lock,
              timer,          power,      processes,      registry, services, shell,
              system_restore, disk_cache, driver_profile, network,  hashing,  signature} {
  files.SetRunningImage([this] { return environment.ExecutablePath(); });
}

SimMachine::~SimMachine() = default;

}  // namespace platform
