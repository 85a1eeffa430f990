// SimDiskCache: the physical drives of the simulated machine and their write-cache flags.
// Drive 0 exists with its write cache on; a test adds, removes or breaks drives.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/disk_cache.h"

namespace platform {

class SimDiskCache final : public DiskCache {
 public:
  struct Drive {
    bool write_cache_enabled = true;
    bool openable = true;
    bool read_fails = false;
    bool write_fails = false;
  };

  SimDiskCache();

  support::Result<std::unique_ptr<DriveHandle>> OpenDrive(std::uint32_t number) override;
  support::Result<DiskCacheInformation> ReadCacheInformation(DriveHandle& drive) override;
  support::Status WriteCacheInformation(DriveHandle& drive,
                                        const DiskCacheInformation& information) override;

  // --- Test controls ---
  void SetDrive(std::uint32_t number, Drive drive);
  void RemoveAllDrives();
  std::map<std::uint32_t, Drive> drives();

 private:
  std::mutex mutex_;
  std::map<std::uint32_t, Drive> drives_;
};

}  // namespace platform
