// Win32Hardware: the hardware port on Windows.
#pragma once

#include "platform/hardware.h"

namespace platform {

class Win32Hardware final : public Hardware {
 public:
  std::string CpuBrandBytes() override { return {}; }
  std::uint32_t LogicalProcessorCount() override { return 1; }
  support::Result<std::vector<std::uint8_t>> CpuSetEfficiencyClasses() override {
    return support::Fail(support::ErrorCode::kUnsupported, L"GetSystemCpuSetInformation");
  }
  void BusySpin(std::uint32_t) override {}
};

}  // namespace platform
