#include "tweaks/driver_profile_session.h"

#include "platform/driver_profile.h"
#include "platform/system.h"

bool DriverProfileSession::Open() {
  Close();
  open_ = platform::Sys().driver_profile.Open().ok();
  return open_;
}

bool DriverProfileSession::GetSetting(std::uint32_t id, std::uint32_t& value) {
  if (!open_) return false;
  const auto read = platform::Sys().driver_profile.GetSetting(id);
  if (!read) return false;
  value = *read;
  return true;
}

bool DriverProfileSession::SetSetting(std::uint32_t id, std::uint32_t value) {
  return open_ && platform::Sys().driver_profile.SetSetting(id, value).ok();
}

bool DriverProfileSession::Save() { return open_ && platform::Sys().driver_profile.Save().ok(); }

void DriverProfileSession::Close() {
  if (!open_) return;
  platform::Sys().driver_profile.Close();
  open_ = false;
}
