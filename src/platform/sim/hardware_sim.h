// SimHardware: the processor of the simulated machine (a plain 4-thread desktop CPU with
// one efficiency class unless a test says otherwise).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/hardware.h"

namespace platform {

class SimHardware final : public Hardware {
 public:
  std::string CpuBrandBytes() override;
  std::uint32_t LogicalProcessorCount() override;
  support::Result<std::vector<std::uint8_t>> CpuSetEfficiencyClasses() override;
  void BusySpin(std::uint32_t milliseconds) override;

  // --- Test controls ---
  // The raw brand bytes (padded to 48 as CPUID gives them); empty = leaves missing.
  void SetBrand(std::string raw);
  void SetLogicalCount(std::uint32_t count);
  // One efficiency class per CPU set; nullopt = the function is missing.
  void SetEfficiencyClasses(std::optional<std::vector<std::uint8_t>> classes);
  std::uint32_t SpunMilliseconds();

 private:
  std::mutex mutex_;
  std::string brand_ = "        Simulated Desktop CPU @ 3.60GHz";
  std::uint32_t logical_count_ = 4;
  std::optional<std::vector<std::uint8_t>> classes_ = std::vector<std::uint8_t>{0, 0, 0, 0};
  std::uint32_t spun_ms_ = 0;
};

}  // namespace platform
