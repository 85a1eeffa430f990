// Win32SystemRestore: srclient.dll from the system directory, loaded for each call.
#pragma once

#include "platform/system_restore.h"

namespace platform {

class Win32SystemRestore final : public SystemRestore {
 public:
  support::Result<RestorePointResult> SetRestorePoint(const RestorePointRequest& request) override;
};

}  // namespace platform
