// DriverProfile port: the NVIDIA driver settings of the global (base) profile, through
// nvapi64.dll loaded at run time and bound by interface id. Machines without an NVIDIA
// driver have no such library; that is a normal case (kNotFound).
#pragma once

#include <cstdint>

#include "support/result.h"

namespace platform {

class DriverProfile {
 public:
  virtual ~DriverProfile() = default;
  // Loads the library, binds its interfaces, initialises it, creates a settings session,
  // loads the settings and takes the base profile. Errors: kNotFound (no library),
  // kUnsupported (an interface the session needs is missing), kFailed with the library's
  // status in win32_error. A failed open leaves nothing loaded.
  virtual support::Status Open() = 0;
  // The DWORD value of a setting of the base profile. Fails without an open session.
  virtual support::Result<std::uint32_t> GetSetting(std::uint32_t setting_id) = 0;
  virtual support::Status SetSetting(std::uint32_t setting_id, std::uint32_t value) = 0;
  // Stores the session's settings in the driver.
  virtual support::Status Save() = 0;
  // Destroys the session, unloads the library. Safe when nothing is open.
  virtual void Close() = 0;
};

}  // namespace platform
