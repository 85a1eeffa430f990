#include "platform/sim/system_restore_sim.h"

namespace platform {

namespace {
constexpr std::uint32_t kBeginSystemChange = 100;
}  // namespace

support::Result<RestorePointResult> SimSystemRestore::SetRestorePoint(
    const RestorePointRequest& request) {
  std::lock_guard lock(mutex_);
  if (!installed_) return support::Fail(support::ErrorCode::kNotFound, L"srclient.dll", 126);
  if (!export_present_) {
    return support::Fail(support::ErrorCode::kUnsupported, L"SRSetRestorePointW", 127);
  }
  requests_.push_back(request);
  if (refuse_status_ != 0) return RestorePointResult{false, refuse_status_, 0};
  const std::int64_t sequence =
      request.event_type == kBeginSystemChange ? next_sequence_++ : request.sequence_number;
  return RestorePointResult{true, 0, sequence};
}

void SimSystemRestore::SetInstalled(bool installed) {
  std::lock_guard lock(mutex_);
  installed_ = installed;
}

void SimSystemRestore::SetExportPresent(bool present) {
  std::lock_guard lock(mutex_);
  export_present_ = present;
}

void SimSystemRestore::Refuse(std::uint32_t status) {
  std::lock_guard lock(mutex_);
  refuse_status_ = status;
}

std::vector<RestorePointRequest> SimSystemRestore::requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

}  // namespace platform
