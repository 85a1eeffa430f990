// Hardware port: what the processor says about itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/result.h"

namespace platform {

class Hardware {
 public:
  virtual ~Hardware() = default;
  // The 48 bytes of CPUID leaves 0x80000002-0x80000004 as the processor gives them
  // (padding blanks and NULs included); empty when leaf 0x80000000 reports fewer leaves.
  virtual std::string CpuBrandBytes() = 0;
  // GetSystemInfo's processor count.
  virtual std::uint32_t LogicalProcessorCount() = 0;
  // GetSystemCpuSetInformation for this process: the efficiency class of every CPU-set
  // record. kUnsupported when kernel32 lacks the function.
  virtual support::Result<std::vector<std::uint8_t>> CpuSetEfficiencyClasses() = 0;
  // Keeps the calling thread busy for `milliseconds` so the processor clocks up.
  virtual void BusySpin(std::uint32_t milliseconds) = 0;
};

}  // namespace platform
