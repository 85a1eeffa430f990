#include "app/dword_values.h"

#include "platform/system.h"

bool WriteDwordValue(platform::Hive root, const std::wstring& subKey, const std::wstring& valueName,
                     std::uint32_t value) {
  return platform::Sys().registry.WriteDword({root, subKey, valueName}, value).ok();
}

bool ReadDwordValue(const std::wstring& subKey, const std::wstring& valueName, std::uint32_t& out) {
  const auto value =
      platform::Sys().registry.ReadDword({platform::Hive::kLocalMachine, subKey, valueName});
  if (!value) return false;
  out = *value;
  return true;
}
