#include "platform/sim/hardware_sim.h"

#include <utility>

namespace platform {

constexpr std::size_t kBrandBytes = 48;

std::string SimHardware::CpuBrandBytes() {
  std::lock_guard lock(mutex_);
  if (brand_.empty()) return {};
  std::string raw = brand_;
  raw.resize(kBrandBytes, '\0');
  return raw;
}

std::uint32_t SimHardware::LogicalProcessorCount() {
  std::lock_guard lock(mutex_);
  return logical_count_;
}

support::Result<std::vector<std::uint8_t>> SimHardware::CpuSetEfficiencyClasses() {
  std::lock_guard lock(mutex_);
  if (!classes_) {
    return support::Fail(support::ErrorCode::kUnsupported, L"GetSystemCpuSetInformation", 127);
  }
  return *classes_;
}

void SimHardware::BusySpin(std::uint32_t milliseconds) {
  std::lock_guard lock(mutex_);
  spun_ms_ += milliseconds;
}

void SimHardware::SetBrand(std::string raw) {
  std::lock_guard lock(mutex_);
  brand_ = std::move(raw);
}

void SimHardware::SetLogicalCount(std::uint32_t count) {
  std::lock_guard lock(mutex_);
  logical_count_ = count;
}

void SimHardware::SetEfficiencyClasses(std::optional<std::vector<std::uint8_t>> classes) {
  std::lock_guard lock(mutex_);
  classes_ = std::move(classes);
}

std::uint32_t SimHardware::SpunMilliseconds() {
  std::lock_guard lock(mutex_);
  return spun_ms_;
}

}  // namespace platform
