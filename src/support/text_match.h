// Case-insensitive text tests for names the machine reports (adapter descriptions,
// folder names): plain containment, and containment as a whole word.
#pragma once

#include <initializer_list>
#include <string>

namespace support {

std::wstring LowerCase(std::wstring text);
bool ContainsIgnoreCase(const std::wstring& text, const std::wstring& needle);
bool ContainsAnyIgnoreCase(const std::wstring& text, std::initializer_list<const wchar_t*> needles);
// `word` with no letter right before or after it: "ATI" in "ATI Technologies", never in
// "Corporation".
bool ContainsWordIgnoreCase(const std::wstring& text, const std::wstring& word);

}  // namespace support
