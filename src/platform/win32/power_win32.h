// Win32Power: the power port on Windows.
#pragma once

#include "platform/power.h"

namespace platform {

class Win32Power final : public Power {
 public:
  support::Result<std::vector<ProcessorPower>> ProcessorInformation(std::uint32_t) override {
    return Unsupported(L"CallNtPowerInformation");
  }
  support::Result<support::Guid> ActiveScheme() override {
    return Unsupported(L"PowerGetActiveScheme");
  }
  support::Status SetActiveScheme(const support::Guid&) override {
    return Unsupported(L"PowerSetActiveScheme");
  }
  support::Result<std::uint32_t> ReadValueIndex(const support::Guid&, const support::Guid&,
                                                const support::Guid&, PowerSource) override {
    return Unsupported(L"PowerReadACValueIndex");
  }
  support::Status WriteValueIndex(const support::Guid&, const support::Guid&,
                                  const support::Guid&, PowerSource, std::uint32_t) override {
    return Unsupported(L"PowerWriteACValueIndex");
  }

 private:
  static support::PortError Unsupported(const wchar_t* what) {
    return support::Fail(support::ErrorCode::kUnsupported, what);
  }
};

}  // namespace platform
