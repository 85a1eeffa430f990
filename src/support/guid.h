// A GUID as its 16-byte record, independent of any Windows header.
#pragma once

#include <cstdint>
#include <string>

namespace support {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};

  friend bool operator==(const Guid&, const Guid&) = default;
};

// Upper-case "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (the registry form without braces),
// as powercfg command lines take it.
std::wstring GuidText(const Guid& guid);

}  // namespace support
