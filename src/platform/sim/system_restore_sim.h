// SimSystemRestore: System Restore of the simulated machine. Installed and accepting by
// default; a test removes the component or its export, or makes it refuse with a status.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/system_restore.h"

namespace platform {

class SimSystemRestore final : public SystemRestore {
 public:
  support::Result<RestorePointResult> SetRestorePoint(const RestorePointRequest& request) override;

  // --- Test controls ---
  void SetInstalled(bool installed);
  void SetExportPresent(bool present);
  // Every later call returns FALSE with this status (0 accepts again).
  void Refuse(std::uint32_t status);
  // Every request made so far.
  std::vector<RestorePointRequest> requests();

 private:
  std::mutex mutex_;
  bool installed_ = true;
  bool export_present_ = true;
  std::uint32_t refuse_status_ = 0;
  std::int64_t next_sequence_ = 1;
  std::vector<RestorePointRequest> requests_;
};

}  // namespace platform
