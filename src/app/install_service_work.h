// The GUI's install step: installs the timer service, or hands the work to an elevated
// copy of this program when the GUI itself is not elevated.
#pragma once

#include <cstdint>

namespace gui {
class Feed;
}

// Reports through `feed`, bound to the calling thread for the duration. 0 installed,
// 1 failed, 2 handed to an elevated copy.
int InstallServiceWork(std::uint32_t resolution, bool pinned, gui::Feed& feed);
