// The update list: a small JSON object from the web host naming the newest release. Every
// field is written by whoever controls the network, so each one is checked before use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "update/product_version.h"
#include "update/update_endpoints.h"

namespace update {

inline constexpr std::size_t kMaxUpdateListBytes = 65536;
inline constexpr std::uint64_t kMaxReleaseBytes = 64ull << 20;

struct AppUpdate {
  std::wstring version;  // the list's text unchanged
  std::wstring notes;    // at most 2000 characters
  std::wstring url;
  std::wstring sha256;     // 64 lower-case hex digits
  std::uint64_t size = 0;  // 0 when the list gives none
};

struct UpdateListVerdict {
  std::optional<AppUpdate> update;  // a valid release newer than the current one
  std::wstring error;               // why the list was refused; empty when it was not
};

UpdateListVerdict ReadUpdateList(std::string_view body, const ProductVersion& current,
                                 const UpdateEndpoints& hosts);

}  // namespace update
