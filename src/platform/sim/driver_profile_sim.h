// SimDriverProfile: the NVIDIA driver's global profile. Absent by default (no NVIDIA
// driver, as under Wine); a test installs it with settings. A session edits a copy of the
// driver's settings that only Save stores.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "platform/driver_profile.h"
#include "platform/sim/fault_queue.h"

namespace platform {

enum class ProfileOp { kOpen, kGet, kSet, kSave };

class SimDriverProfile final : public DriverProfile {
 public:
  support::Status Open() override;
  support::Result<std::uint32_t> GetSetting(std::uint32_t setting_id) override;
  support::Status SetSetting(std::uint32_t setting_id, std::uint32_t value) override;
  support::Status Save() override;
  void Close() override;

  // --- Test controls ---
  void Install(std::map<std::uint32_t, std::uint32_t> settings);
  // An old driver: setting ids it does not know fail to be set.
  void SetKnownOnly(bool known_only);
  void FailNext(ProfileOp op, support::ErrorCode code, std::uint32_t win32_error = 0);
  bool installed();
  bool open();
  // The settings the driver has stored.
  std::map<std::uint32_t, std::uint32_t> stored();

 private:
  std::mutex mutex_;
  bool installed_ = false;
  bool known_only_ = false;
  std::map<std::uint32_t, std::uint32_t> stored_;
  std::optional<std::map<std::uint32_t, std::uint32_t>> session_;
  sim::FaultQueue<ProfileOp> faults_;
};

}  // namespace platform
