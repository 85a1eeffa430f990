// SystemRestore port: srclient.dll's SRSetRestorePointW, bound at run time because the
// component is optional (Server SKUs and stripped images lack it), and the points System
// Restore keeps (the SystemRestore class of WMI's root\default namespace).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "support/result.h"

namespace platform {

// RESTOREPOINTINFOW as the callers fill it.
struct RestorePointRequest {
  std::uint32_t event_type = 0;      // 100 begin system change, 101 end
  std::uint32_t restore_type = 0;    // 12 settings modified
  std::int64_t sequence_number = 0;  // 0 for a begin, the begin's number for an end
  std::wstring description;          // cut at 255 characters
};

// STATEMGRSTATUS and the call's own result. Since Windows 8 a begin within
// SystemRestorePointCreationFrequency minutes (default 1440) of the newest point is accepted
// without making one: the answer then carries the newest point's sequence number.
struct RestorePointResult {
  bool accepted = false;     // SRSetRestorePointW returned TRUE
  std::uint32_t status = 0;  // nStatus
  std::int64_t sequence_number = 0;
};

// One point System Restore keeps.
struct RestorePoint {
  std::int64_t sequence_number = 0;
  LocalTime created;  // local time
};

class SystemRestore {
 public:
  virtual ~SystemRestore() = default;
  // Loads srclient.dll, calls SRSetRestorePointW once, unloads it. Errors: kNotFound when
  // srclient.dll cannot be loaded, kUnsupported when it lacks the export.
  virtual support::Result<RestorePointResult> SetRestorePoint(
      const RestorePointRequest& request) = 0;
  // The point with the highest sequence number, nullopt when there is none. Errors:
  // kUnsupported when the machine has no SystemRestore class to ask, kFailed otherwise.
  virtual support::Result<std::optional<RestorePoint>> NewestRestorePoint() = 0;
};

}  // namespace platform
