// GPU Config: Windows graphics values, the NVIDIA and AMD driver values and profile
// settings, and the NVIDIA telemetry service; and its restore.
#pragma once

// True when at least one setting was written.
bool ApplyGpuConfig();
// False when a recorded value could not be put back (the product key then keeps them).
bool RestoreGpuConfig();
