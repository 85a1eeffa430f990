// The last checks on a downloaded release before anything runs or replaces it: a 64-bit
// Windows executable whose own version resource names exactly the promised version.
#pragma once

#include <string>

#include "platform/files.h"
#include "update/product_version.h"

namespace update {

// Empty when `path` passes; otherwise the reason, and the file is deleted so no half-checked
// download is left for anyone to pick up.
// `promised_text` is the update list's version text, quoted back when the file differs.
std::wstring CheckReleaseFile(platform::Files& files, const std::wstring& path,
                              const std::wstring& promised_text);

}  // namespace update
