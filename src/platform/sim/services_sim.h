// SimServices: the simulated services of SimMachine.
#pragma once

#include "platform/services.h"

namespace platform {

class SimServices final : public Services {};

}  // namespace platform
