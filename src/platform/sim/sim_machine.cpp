#include "platform/sim/sim_machine.h"

namespace platform {

SimMachine::SimMachine()
    : timer(clock), processes(clock), system_{clock,     console,       environment, files,
                                              hardware,  instance_lock, timer,       power,
                                              processes, registry,      services,    shell} {
  files.SetRunningImage([this] { return environment.ExecutablePath(); });
  services.HoldImagesWith(
      [this](const std::wstring& path, bool running) { files.HoldImage(path, running); });
}

SimMachine::~SimMachine() = default;

}  // namespace platform
