#include "platform/sim/driver_profile_sim.h"

namespace platform {
namespace {

// NVAPI_SETTING_NOT_FOUND and NVAPI_INVALID_ARGUMENT as the library reports them.
constexpr std::uint32_t kSettingNotFound = static_cast<std::uint32_t>(-160);
constexpr std::uint32_t kNoSession = static_cast<std::uint32_t>(-5);

support::PortError NoSession() {
  return support::Fail(support::ErrorCode::kFailed, L"DRS session", kNoSession);
}

}  // namespace

support::Status SimDriverProfile::Open() {
  std::lock_guard lock(mutex_);
  if (!installed_) return support::Fail(support::ErrorCode::kNotFound, L"nvapi64.dll", 126);
  if (auto fault = faults_.Take(ProfileOp::kOpen, L"Open")) return *fault;
  session_ = stored_;
  return {};
}

support::Result<std::uint32_t> SimDriverProfile::GetSetting(std::uint32_t setting_id) {
  std::lock_guard lock(mutex_);
  if (!session_) return NoSession();
  if (auto fault = faults_.Take(ProfileOp::kGet, L"GetSetting")) return *fault;
  auto it = session_->find(setting_id);
  if (it == session_->end()) {
    return support::Fail(support::ErrorCode::kNotFound, L"GetSetting", kSettingNotFound);
  }
  return it->second;
}

support::Status SimDriverProfile::SetSetting(std::uint32_t setting_id, std::uint32_t value) {
  std::lock_guard lock(mutex_);
  if (!session_) return NoSession();
  if (auto fault = faults_.Take(ProfileOp::kSet, L"SetSetting")) return *fault;
  if (known_only_ && !session_->count(setting_id)) {
    return support::Fail(support::ErrorCode::kNotFound, L"SetSetting", kSettingNotFound);
  }
  (*session_)[setting_id] = value;
  return {};
}

support::Status SimDriverProfile::Save() {
  std::lock_guard lock(mutex_);
  if (!session_) return NoSession();
  if (auto fault = faults_.Take(ProfileOp::kSave, L"Save")) return *fault;
  stored_ = *session_;
  return {};
}

void SimDriverProfile::Close() {
  std::lock_guard lock(mutex_);
  session_.reset();
}

void SimDriverProfile::Install(std::map<std::uint32_t, std::uint32_t> settings) {
  std::lock_guard lock(mutex_);
  installed_ = true;
  stored_ = std::move(settings);
}

void SimDriverProfile::SetKnownOnly(bool known_only) {
  std::lock_guard lock(mutex_);
  known_only_ = known_only;
}

void SimDriverProfile::FailNext(ProfileOp op, support::ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  faults_.Add(op, code, win32_error);
}

bool SimDriverProfile::installed() {
  std::lock_guard lock(mutex_);
  return installed_;
}

bool SimDriverProfile::open() {
  std::lock_guard lock(mutex_);
  return session_.has_value();
}

std::map<std::uint32_t, std::uint32_t> SimDriverProfile::stored() {
  std::lock_guard lock(mutex_);
  return stored_;
}

}  // namespace platform
