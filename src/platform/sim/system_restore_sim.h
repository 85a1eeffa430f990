// SimSystemRestore: System Restore of the simulated machine. Installed and accepting by
// default, with no point yet; like Windows 8 and later it makes at most one point per
// SystemRestorePointCreationFrequency minutes (default 1440) and answers a begin inside that
// window with the newest point's number. A test removes the component or its export, makes
// it refuse with a status, or takes away the list of points.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/sim/clock_sim.h"
#include "platform/sim/registry_sim.h"
#include "platform/system_restore.h"

namespace platform {

class SimSystemRestore final : public SystemRestore {
 public:
  SimSystemRestore(SimClock& clock, SimRegistry& registry);

  support::Result<RestorePointResult> SetRestorePoint(const RestorePointRequest& request) override;
  support::Result<std::optional<RestorePoint>> NewestRestorePoint() override;

  // --- Test controls ---
  void SetInstalled(bool installed);
  void SetExportPresent(bool present);
  // Every later call returns FALSE with this status (0 accepts again); `silently` returns
  // FALSE with status 0, as a component that only stands in for System Restore does.
  void Refuse(std::uint32_t status, bool silently = false);
  // Without the list (Wine, a broken WMI repository) NewestRestorePoint is kUnsupported.
  void SetListable(bool listable);
  // A point made now by someone else (Windows Update, another installer).
  void AddPoint();
  // Every request made so far, and the points made.
  std::vector<RestorePointRequest> requests();
  std::size_t point_count();

 private:
  struct Point {
    std::int64_t sequence_number;
    std::uint64_t created_utc;  // FILETIME units
    LocalTime created;
  };
  bool ThrottledLocked();
  std::int64_t AddPointLocked();

  SimClock& clock_;
  SimRegistry& registry_;
  std::mutex mutex_;
  bool installed_ = true;
  bool export_present_ = true;
  bool listable_ = true;
  std::uint32_t refuse_status_ = 0;
  bool refuse_silently_ = false;
  std::int64_t next_sequence_ = 1;
  std::vector<RestorePointRequest> requests_;
  std::vector<Point> points_;
};

}  // namespace platform
