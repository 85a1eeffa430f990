// What runs elevated is what was checked: a file is held open (read sharing only) from
// its check until it has been used, so no program can change, replace or delete it in
// between.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

// Holds `path` and checks, while it is held, that its bytes begin with `head` and hash to
// `sha256` (each only when not empty). Null when it cannot be held or fails a check; the
// caller keeps the result until the file has been run or unpacked.
std::unique_ptr<platform::HeldFile> HoldChecked(const std::wstring& path, std::string_view head,
                                                const std::wstring& sha256);
