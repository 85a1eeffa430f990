// Text rules the sims share with Windows: case-insensitive names and wildcard patterns.
#pragma once

#include <string>
#include <string_view>

namespace platform::sim {

// Upper-cases the way Windows compares file, registry and variable names (ordinal,
// ignoring case).
std::wstring FoldCase(std::wstring_view text);
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
// FindFirstFileW-style match: '*' any run, '?' one character, case-insensitive.
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);

}  // namespace platform::sim
