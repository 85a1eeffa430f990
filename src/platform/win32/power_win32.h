// Win32Power: powrprof's scheme calls and CallNtPowerInformation, bound at run time
// (Wine lacks several; a missing export is kUnsupported).
#pragma once

#include "platform/power.h"

namespace platform {

class Win32Power final : public Power {
 public:
  support::Result<std::vector<ProcessorPower>> ProcessorInformation(std::uint32_t count) override;
  support::Result<support::Guid> ActiveScheme() override;
  support::Status SetActiveScheme(const support::Guid& scheme) override;
  support::Result<std::uint32_t> ReadValueIndex(const support::Guid& scheme,
                                                const support::Guid& subgroup,
                                                const support::Guid& setting,
                                                PowerSource source) override;
  support::Status WriteValueIndex(const support::Guid& scheme, const support::Guid& subgroup,
                                  const support::Guid& setting, PowerSource source,
                                  std::uint32_t value) override;
  support::Status WriteSettingAttributes(const support::Guid& subgroup,
                                         const support::Guid& setting,
                                         std::uint32_t attributes) override;
  PowerSchemeList EnumerateSchemes() override;
};

}  // namespace platform
