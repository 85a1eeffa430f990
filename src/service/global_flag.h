// GlobalTimerResolutionRequests: 1 makes timer requests system-wide after the next
// reboot. Its state from before the product first ran is recorded once, so uninstall can
// put back exactly that.
#pragma once

// Records the previous state on the first install, then sets the value to 1. A value of
// another type, one that cannot be read, or a record that cannot be written leaves the
// machine value as it is, with a line saying why.
void EnableGlobalTimerRequests();
// Puts back the recorded state (the value, or no value). True when there was nothing to do
// or it was put back; false when the record must stay for a later uninstall.
bool RestoreGlobalTimerRequests();
