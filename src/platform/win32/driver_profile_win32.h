// Win32DriverProfile: nvapi64.dll from the system directory, its functions found through
// nvapi_QueryInterface by interface id.
#pragma once

#include <windows.h>

#include "platform/driver_profile.h"

namespace platform {

class Win32DriverProfile final : public DriverProfile {
 public:
  ~Win32DriverProfile() override;
  support::Status Open() override;
  support::Result<std::uint32_t> GetSetting(std::uint32_t setting_id) override;
  support::Status SetSetting(std::uint32_t setting_id, std::uint32_t value) override;
  support::Status Save() override;
  void Close() override;

 private:
  using Status0 = int(__cdecl*)();
  using SessionOut = int(__cdecl*)(void**);
  using SessionIn = int(__cdecl*)(void*);
  using BaseProfile = int(__cdecl*)(void*, void**);
  using SetFn = int(__cdecl*)(void*, void*, void*);
  using GetFn = int(__cdecl*)(void*, void*, unsigned long, void*);

  HMODULE module_ = nullptr;
  Status0 initialize_ = nullptr;
  Status0 unload_ = nullptr;
  SessionOut create_session_ = nullptr;
  SessionIn destroy_session_ = nullptr;
  SessionIn load_settings_ = nullptr;
  SessionIn save_settings_ = nullptr;
  BaseProfile get_base_profile_ = nullptr;
  SetFn set_setting_ = nullptr;
  GetFn get_setting_ = nullptr;
  void* session_ = nullptr;
  void* profile_ = nullptr;
};

}  // namespace platform
