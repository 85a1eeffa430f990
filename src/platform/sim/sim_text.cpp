#include "platform/sim/sim_text.h"

#include <cwctype>

namespace platform::sim {

std::wstring FoldCase(std::wstring_view text) {
  std::wstring folded(text);
  for (wchar_t& c : folded) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return folded;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  return FoldCase(a) == FoldCase(b);
}

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
  // "*.*" is Windows' "everything", names without a dot included.
  if (pattern == L"*.*") return true;
  const std::wstring n = FoldCase(name);
  const std::wstring p = FoldCase(pattern);
  // Greedy match with one back-tracking point per '*': linear in practice.
  std::size_t ni = 0, pi = 0, star = std::wstring::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == L'?' || p[pi] == n[ni])) {
      ++ni;
      ++pi;
    } else if (pi < p.size() && p[pi] == L'*') {
      star = pi++;
      resume = ni;
    } else if (star != std::wstring::npos) {
      pi = star + 1;
      ni = ++resume;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == L'*') ++pi;
  return pi == p.size();
}

}  // namespace platform::sim
