#include "service/service_values.h"

#include "platform/registry.h"
#include "platform/system.h"

std::optional<std::uint32_t> ReadMachineDword(const std::wstring& key, const std::wstring& value) {
  auto data = platform::Sys().registry.ReadDword({platform::Hive::kLocalMachine, key, value});
  if (!data) return std::nullopt;
  return *data;
}

void WriteMachineDword(const std::wstring& key, const std::wstring& value, std::uint32_t data) {
  (void)platform::Sys().registry.WriteDword({platform::Hive::kLocalMachine, key, value}, data);
}

std::optional<std::uint32_t> ReadProductDword(const std::wstring& value) {
  return ReadMachineDword(kProductKey, value);
}

void WriteProductDword(const std::wstring& value, std::uint32_t data) {
  WriteMachineDword(kProductKey, value, data);
}
