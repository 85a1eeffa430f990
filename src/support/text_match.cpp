#include "support/text_match.h"

#include <algorithm>
#include <cwctype>

namespace support {

std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& needle) {
  return LowerCase(text).find(LowerCase(needle)) != std::wstring::npos;
}

bool ContainsAnyIgnoreCase(const std::wstring& text,
                           std::initializer_list<const wchar_t*> needles) {
  const std::wstring haystack = LowerCase(text);
  return std::any_of(needles.begin(), needles.end(), [&](const wchar_t* needle) {
    return haystack.find(LowerCase(needle)) != std::wstring::npos;
  });
}

bool ContainsWordIgnoreCase(const std::wstring& text, const std::wstring& word) {
  const std::wstring haystack = LowerCase(text);
  const std::wstring needle = LowerCase(word);
  if (needle.empty()) return false;
  for (std::size_t at = haystack.find(needle); at != std::wstring::npos;
       at = haystack.find(needle, at + 1)) {
    const std::size_t end = at + needle.size();
    const bool starts = at == 0 || !std::iswalpha(haystack[at - 1]);
    const bool ends = end == haystack.size() || !std::iswalpha(haystack[end]);
    if (starts && ends) return true;
  }
  return false;
}

}  // namespace support
