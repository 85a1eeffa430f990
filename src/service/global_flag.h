// GlobalTimerResolutionRequests: 1 makes timer requests system-wide after the next
// reboot. Its state from before the product first ran is recorded once, so uninstall can
// put back exactly that.
#pragma once

// Records the previous state on the first install, then sets the value to 1.
void EnableGlobalTimerRequests();
// Puts back the recorded state (the value, or no value); nothing when none was recorded.
void RestoreGlobalTimerRequests();
