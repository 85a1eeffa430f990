// UTF-8 <-> wide text. Wide strings are UTF-16 where wchar_t is 16 bits (Windows) and
// UTF-32 where it is 32 bits (Linux), so the same calls serve both targets.
#pragma once

#include <string>
#include <string_view>

namespace support {

// Unpaired surrogates and code points beyond U+10FFFF become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Malformed, overlong or truncated sequences become U+FFFD, one per bad sequence.
std::wstring FromUtf8(std::string_view text);

}  // namespace support
