// Windows paths name the same file regardless of letter case.
#pragma once

#include <cwctype>
#include <string>

inline bool IsSamePath(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}
