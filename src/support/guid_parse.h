// GUID text to its record: the catalogues spell their GUIDs as Windows prints them, and a
// scheme name read back from the registry must be a GUID before it reaches a command line.
#pragma once

#include <optional>
#include <string_view>

#include "support/guid.h"

namespace support {

namespace guid_detail {

constexpr int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// `count` hex digits of `text` from `at`; -1 when one is not a hex digit.
constexpr long long HexRun(std::wstring_view text, std::size_t at, std::size_t count) {
  long long value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int digit = HexDigit(text[at + i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace guid_detail

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", with or without braces, any case. Anything
// else (blanks, extra text, a missing dash) is nullopt.
constexpr std::optional<Guid> ParseGuid(std::wstring_view text) {
  if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  for (std::size_t dash : {8u, 13u, 18u, 23u}) {
    if (text[dash] != L'-') return std::nullopt;
  }
  using guid_detail::HexRun;
  const long long d1 = HexRun(text, 0, 8), d2 = HexRun(text, 9, 4), d3 = HexRun(text, 14, 4);
  if (d1 < 0 || d2 < 0 || d3 < 0) return std::nullopt;
  Guid guid{static_cast<std::uint32_t>(d1), static_cast<std::uint16_t>(d2),
            static_cast<std::uint16_t>(d3)};
  for (std::size_t i = 0; i < 8; ++i) {
    const long long byte = HexRun(text, i < 2 ? 19 + 2 * i : 20 + 2 * i, 2);
    if (byte < 0) return std::nullopt;
    guid.data4[i] = static_cast<std::uint8_t>(byte);
  }
  return guid;
}

// A catalogue GUID; a malformed literal fails the build.
consteval Guid GuidLiteral(const wchar_t* text) {
  const std::optional<Guid> guid = ParseGuid(text);
  if (!guid) throw "malformed GUID literal";
  return *guid;
}

// "{XXXXXXXX-...}", as the product key stores schemes.
inline std::wstring BracedGuidText(const Guid& guid) { return L"{" + GuidText(guid) + L"}"; }

}  // namespace support
