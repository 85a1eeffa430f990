// Win32DiskCache: DeviceIoControl cache information on physical drives.
#pragma once

#include "platform/disk_cache.h"

namespace platform {

class Win32DiskCache final : public DiskCache {
 public:
  support::Result<std::unique_ptr<DriveHandle>> OpenDrive(std::uint32_t number) override;
  support::Result<DiskCacheInformation> ReadCacheInformation(DriveHandle& drive) override;
  support::Status WriteCacheInformation(DriveHandle& drive,
                                        const DiskCacheInformation& information) override;
};

}  // namespace platform
