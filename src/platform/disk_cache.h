// DiskCache port: the cache settings of a physical drive, through DeviceIoControl on
// "\\.\PhysicalDrive<n>".
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "support/result.h"

namespace platform {

// DISK_CACHE_INFORMATION: the write-cache flag the callers change, and the whole record so
// that a write sends back every other field as it was read.
struct DiskCacheInformation {
  bool write_cache_enabled = false;
  std::array<std::uint8_t, 24> record{};
};

class DriveHandle {
 public:
  virtual ~DriveHandle() = default;
};

class DiskCache {
 public:
  virtual ~DiskCache() = default;
  // CreateFileW("\\.\PhysicalDrive<n>", read and write, shared read and write, open
  // existing). Errors: kNotFound (no such drive), kAccessDenied.
  virtual support::Result<std::unique_ptr<DriveHandle>> OpenDrive(std::uint32_t number) = 0;
  // IOCTL_DISK_GET_CACHE_INFORMATION.
  virtual support::Result<DiskCacheInformation> ReadCacheInformation(DriveHandle& drive) = 0;
  // IOCTL_DISK_SET_CACHE_INFORMATION with `information.record`, its write-cache flag set
  // from `write_cache_enabled`.
  virtual support::Status WriteCacheInformation(DriveHandle& drive,
                                                const DiskCacheInformation& information) = 0;
};

}  // namespace platform
