// Win32SystemRestore: srclient.dll from the system directory, loaded for each call, and the
// points through WMI, each call inside COM for its thread.
#pragma once

#include "platform/system_restore.h"

namespace platform {

class Win32SystemRestore final : public SystemRestore {
 public:
  support::Result<RestorePointResult> SetRestorePoint(const RestorePointRequest& request) override;
  support::Result<std::optional<RestorePoint>> NewestRestorePoint() override;
};

}  // namespace platform
