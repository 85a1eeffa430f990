// Power port: power schemes and their setting values, and the processors' clock readings.
// powrprof is bound at run time: Wine and old Windows lack several of its functions, and a
// missing one is a failed call (kUnsupported), never a load error.
#pragma once

#include <cstdint>
#include <vector>

#include "support/guid.h"
#include "support/result.h"

namespace platform {

// One PROCESSOR_POWER_INFORMATION record.
struct ProcessorPower {
  std::uint32_t number = 0;
  std::uint32_t max_mhz = 0;
  std::uint32_t current_mhz = 0;
  std::uint32_t mhz_limit = 0;
};

enum class PowerSource { kAc, kDc };

// What PowerEnumerate listed: the schemes found before it stopped, and why it stopped
// early (ok when it reached the end of the list).
struct PowerSchemeList {
  std::vector<support::Guid> schemes;
  support::Status complete;
};

class Power {
 public:
  virtual ~Power() = default;
  // CallNtPowerInformation(ProcessorInformation) with room for `count` records.
  virtual support::Result<std::vector<ProcessorPower>> ProcessorInformation(
      std::uint32_t count) = 0;
  // PowerGetActiveScheme. Wine fails with 120.
  virtual support::Result<support::Guid> ActiveScheme() = 0;
  // PowerSetActiveScheme.
  virtual support::Status SetActiveScheme(const support::Guid& scheme) = 0;
  // PowerReadACValueIndex / PowerReadDCValueIndex.
  virtual support::Result<std::uint32_t> ReadValueIndex(const support::Guid& scheme,
                                                        const support::Guid& subgroup,
                                                        const support::Guid& setting,
                                                        PowerSource source) = 0;
  // PowerWriteACValueIndex / PowerWriteDCValueIndex.
  virtual support::Status WriteValueIndex(const support::Guid& scheme,
                                          const support::Guid& subgroup,
                                          const support::Guid& setting, PowerSource source,
                                          std::uint32_t value) = 0;
  // PowerWriteSettingAttributes(subgroup, setting, attributes); bit 0 is "hidden".
  virtual support::Status WriteSettingAttributes(const support::Guid& subgroup,
                                                 const support::Guid& setting,
                                                 std::uint32_t attributes) = 0;
  // PowerEnumerate(ACCESS_SCHEME), index by index: every scheme the machine has, or those
  // listed before an index failed.
  virtual PowerSchemeList EnumerateSchemes() = 0;
};

}  // namespace platform
