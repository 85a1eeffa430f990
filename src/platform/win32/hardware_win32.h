// Win32Hardware: CPUID, GetSystemInfo and the CPU-set records (bound at run time).
#pragma once

#include "platform/hardware.h"

namespace platform {

class Win32Hardware final : public Hardware {
 public:
  std::string CpuBrandBytes() override;
  std::uint32_t LogicalProcessorCount() override;
  support::Result<std::vector<std::uint8_t>> CpuSetEfficiencyClasses() override;
  void BusySpin(std::uint32_t milliseconds) override;
};

}  // namespace platform
