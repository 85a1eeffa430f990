// SystemRestore port: srclient.dll's SRSetRestorePointW, bound at run time because the
// component is optional (Server SKUs and stripped images lack it).
#pragma once

#include <cstdint>
#include <string>

#include "support/result.h"

namespace platform {

// RESTOREPOINTINFOW as the callers fill it.
struct RestorePointRequest {
  std::uint32_t event_type = 0;      // 100 begin system change, 101 end
  std::uint32_t restore_type = 0;    // 12 settings modified
  std::int64_t sequence_number = 0;  // 0 for a begin, the begin's number for an end
  std::wstring description;          // cut at 255 characters
};

// STATEMGRSTATUS and the call's own result.
struct RestorePointResult {
  bool accepted = false;     // SRSetRestorePointW returned TRUE
  std::uint32_t status = 0;  // nStatus
  std::int64_t sequence_number = 0;
};

class SystemRestore {
 public:
  virtual ~SystemRestore() = default;
  // Loads srclient.dll, calls SRSetRestorePointW once, unloads it. Errors: kNotFound when
  // srclient.dll cannot be loaded, kUnsupported when it lacks the export.
  virtual support::Result<RestorePointResult> SetRestorePoint(
      const RestorePointRequest& request) = 0;
};

}  // namespace platform
