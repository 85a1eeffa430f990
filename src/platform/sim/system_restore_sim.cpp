#include "platform/sim/system_restore_sim.h"

namespace platform {

namespace {
constexpr std::uint32_t kBeginSystemChange = 100;
constexpr std::uint32_t kDefaultFrequencyMinutes = 1440;
constexpr std::uint64_t kFileTimePerMinute = 600'000'000;
}  // namespace

SimSystemRestore::SimSystemRestore(SimClock& clock, SimRegistry& registry)
    : clock_(clock), registry_(registry) {}

support::Result<RestorePointResult> SimSystemRestore::SetRestorePoint(
    const RestorePointRequest& request) {
  std::lock_guard lock(mutex_);
  if (!installed_) return support::Fail(support::ErrorCode::kNotFound, L"srclient.dll", 126);
  if (!export_present_) {
    return support::Fail(support::ErrorCode::kUnsupported, L"SRSetRestorePointW", 127);
  }
  requests_.push_back(request);
  if (refuse_status_ != 0 || refuse_silently_) {
    return RestorePointResult{false, refuse_status_, 0};
  }
  if (request.event_type != kBeginSystemChange) {
    return RestorePointResult{true, 0, request.sequence_number};
  }
  if (ThrottledLocked()) return RestorePointResult{true, 0, points_.back().sequence_number};
  return RestorePointResult{true, 0, AddPointLocked()};
}

support::Result<std::optional<RestorePoint>> SimSystemRestore::NewestRestorePoint() {
  std::lock_guard lock(mutex_);
  if (!listable_) {
    return support::Fail(support::ErrorCode::kUnsupported, L"root\\default SystemRestore",
                         0x80041010);  // WBEM_E_INVALID_CLASS
  }
  if (points_.empty()) return std::optional<RestorePoint>{};
  return std::optional<RestorePoint>{
      RestorePoint{points_.back().sequence_number, points_.back().created}};
}

bool SimSystemRestore::ThrottledLocked() {
  if (points_.empty()) return false;
  const auto frequency = registry_.ReadDword(
      {Hive::kLocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore",
       L"SystemRestorePointCreationFrequency"});
  const std::uint64_t minutes = frequency ? *frequency : kDefaultFrequencyMinutes;
  return clock_.UtcFileTime() - points_.back().created_utc < minutes * kFileTimePerMinute;
}

std::int64_t SimSystemRestore::AddPointLocked() {
  points_.push_back({next_sequence_, clock_.UtcFileTime(), clock_.Now()});
  return next_sequence_++;
}

void SimSystemRestore::SetInstalled(bool installed) {
  std::lock_guard lock(mutex_);
  installed_ = installed;
}

void SimSystemRestore::SetExportPresent(bool present) {
  std::lock_guard lock(mutex_);
  export_present_ = present;
}

void SimSystemRestore::Refuse(std::uint32_t status, bool silently) {
  std::lock_guard lock(mutex_);
  refuse_status_ = status;
  refuse_silently_ = silently;
}

void SimSystemRestore::SetListable(bool listable) {
  std::lock_guard lock(mutex_);
  listable_ = listable;
}

void SimSystemRestore::AddPoint() {
  std::lock_guard lock(mutex_);
  (void)AddPointLocked();
}

std::vector<RestorePointRequest> SimSystemRestore::requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t SimSystemRestore::point_count() {
  std::lock_guard lock(mutex_);
  return points_.size();
}

}  // namespace platform
