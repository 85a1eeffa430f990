// Case-insensitive tests of names and markers that other programs write. Only ASCII
// letters fold: device names, markers and keys are ASCII, and a locale must not change
// what a file name or a marker matches.
#pragma once

#include <string>
#include <string_view>

namespace support {

wchar_t FoldAscii(wchar_t c);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool ContainsNoCase(std::wstring_view text, std::wstring_view part);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);

}  // namespace support
