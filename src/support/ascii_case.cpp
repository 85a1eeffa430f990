#include "support/ascii_case.h"

#include <algorithm>

namespace support {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view part) {
  const auto same = [](wchar_t x, wchar_t y) { return FoldAscii(x) == FoldAscii(y); };
  return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
  }
  return true;
}

}  // namespace support
