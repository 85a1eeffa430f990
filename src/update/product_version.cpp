#include "update/product_version.h"

namespace update {

std::optional<ProductVersion> ParseProductVersion(std::wstring_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  ProductVersion version{};
  std::size_t component = 0;
  std::uint32_t value = 0;
  bool has_digit = false;
  for (const wchar_t c : text) {
    if (c == L'.') {
      if (!has_digit || ++component >= version.size()) return std::nullopt;
      has_digit = false;
      value = 0;
      continue;
    }
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - L'0');
    if (value > 65535) return std::nullopt;
    version[component] = static_cast<std::uint16_t>(value);
    has_digit = true;
  }
  if (!has_digit) return std::nullopt;
  return version;
}

}  // namespace update
