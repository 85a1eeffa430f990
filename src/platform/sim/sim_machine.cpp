#include "platform/sim/sim_machine.h"

namespace platform {

SimMachine::SimMachine()
    : timer(clock),
      processes(clock),
      signature(files),
      system_{clock,    console,  environment, files,   hardware, instance_lock,
              timer,    power,    processes,   registry, services, shell,
              network,  hashing,  signature} {}

SimMachine::~SimMachine() = default;

}  // namespace platform
