// SimHardware: the simulated hardware of SimMachine.
#pragma once

#include "platform/hardware.h"

namespace platform {

class SimHardware final : public Hardware {};

}  // namespace platform
