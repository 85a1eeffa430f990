// Whole-file replacement that readers in other processes never see half done.
#pragma once

#include <string>
#include <string_view>

// Writes `bytes` to `path` + ".tmp" and moves it over `path`. On any failure the
// temporary file is removed, `path` is left as it was, and false is returned.
bool WriteFileAtomically(const std::wstring& path, std::string_view bytes);
