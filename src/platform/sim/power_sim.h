// SimPower: the simulated power of SimMachine.
#pragma once

#include "platform/power.h"

namespace platform {

class SimPower final : public Power {};

}  // namespace platform
