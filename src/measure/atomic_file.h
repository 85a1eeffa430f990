// Whole-file replacement that readers in other processes never see half done.
#pragma once

#include <string>
#include <string_view>

#include "support/result.h"

// Writes `bytes` to a new temporary file beside `path` (a name nobody else made, flushed
// to disk) and moves it over `path`. On any failure the temporary file is removed,
// `path` is left as it was, and the failure is returned.
support::Status WriteFileAtomically(const std::wstring& path, std::string_view bytes);
