#include "platform/sim/sim_machine.h"

namespace platform {

SimMachine::SimMachine()
    : timer(clock),
      processes(clock),
      tools(processes, power, environment),
      system_{clock,         console, environment,    files,      hardware,
              instance_lock, timer,   power,          processes,  registry,
              services,      shell,   system_restore, disk_cache, driver_profile} {}

SimMachine::~SimMachine() = default;

}  // namespace platform
