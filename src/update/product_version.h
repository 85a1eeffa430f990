// Release versions as the update list and the file's version resource give them: four
// components, each 0-65535, compared major first.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace update {

using ProductVersion = std::array<std::uint16_t, 4>;

// One to four decimal numbers joined by single dots, 1-32 characters, each at most 65535;
// missing components are 0. Anything else (a sign, a blank, an empty component) is nullopt,
// because the text comes from the network.
std::optional<ProductVersion> ParseProductVersion(std::wstring_view text);

}  // namespace update
