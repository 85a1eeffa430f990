// The real machine: one adapter per port, built on first use and kept for the life of
// the process. Only the entry point and the Windows contract tests call it.
#pragma once

#include "platform/system.h"

namespace platform {

System& Win32System();

}  // namespace platform
