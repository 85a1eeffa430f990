#include "platform/sim/disk_cache_sim.h"

namespace platform {
namespace {

constexpr std::size_t kWriteCacheByte = 2;  // DISK_CACHE_INFORMATION.WriteCacheEnabled

class SimDriveHandle final : public DriveHandle {
 public:
  explicit SimDriveHandle(std::uint32_t number) : number(number) {}
  std::uint32_t number;
};

}  // namespace

SimDiskCache::SimDiskCache() { drives_[0] = Drive{}; }

support::Result<std::unique_ptr<DriveHandle>> SimDiskCache::OpenDrive(std::uint32_t number) {
  std::lock_guard lock(mutex_);
  auto it = drives_.find(number);
  if (it == drives_.end()) return support::Fail(support::ErrorCode::kNotFound, L"PhysicalDrive", 2);
  if (!it->second.openable) {
    return support::Fail(support::ErrorCode::kAccessDenied, L"PhysicalDrive", 5);
  }
  return std::unique_ptr<DriveHandle>(new SimDriveHandle(number));
}

support::Result<DiskCacheInformation> SimDiskCache::ReadCacheInformation(DriveHandle& drive) {
  std::lock_guard lock(mutex_);
  const Drive& d = drives_[static_cast<SimDriveHandle&>(drive).number];
  if (d.read_fails) return support::Fail(support::ErrorCode::kFailed, L"GET_CACHE_INFORMATION", 1);
  DiskCacheInformation information;
  information.write_cache_enabled = d.write_cache_enabled;
  information.record[kWriteCacheByte] = d.write_cache_enabled ? 1 : 0;
  return information;
}

support::Status SimDiskCache::WriteCacheInformation(DriveHandle& drive,
                                                    const DiskCacheInformation& information) {
  std::lock_guard lock(mutex_);
  Drive& d = drives_[static_cast<SimDriveHandle&>(drive).number];
  if (d.write_fails) return support::Fail(support::ErrorCode::kFailed, L"SET_CACHE_INFORMATION", 1);
  d.write_cache_enabled = information.write_cache_enabled;
  return {};
}

void SimDiskCache::SetDrive(std::uint32_t number, Drive drive) {
  std::lock_guard lock(mutex_);
  drives_[number] = drive;
}

void SimDiskCache::RemoveAllDrives() {
  std::lock_guard lock(mutex_);
  drives_.clear();
}

std::map<std::uint32_t, SimDiskCache::Drive> SimDiskCache::drives() {
  std::lock_guard lock(mutex_);
  return drives_;
}

}  // namespace platform
