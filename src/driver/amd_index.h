// AMD's current package, as the public package repository's install script names it.
#pragma once

#include <atomic>
#include <string>

namespace gui {

// True when the index named an official package with its 64-digit checksum: `url` on
// AMD's download host, `sha256` in lower case, `version` from the file name (may be
// empty). `error` says why not.
bool LookupAmdIndex(std::wstring& url, std::wstring& sha256, std::wstring& version,
                    std::wstring& error, const std::atomic<bool>* cancel);

}  // namespace gui
