// 7-Zip, which unpacks the vendor packages: found where it installs itself, or installed
// from the official installer after its pinned hash matched.
#pragma once

#include <string>

namespace gui {
class Feed;
}

// The first existing 7z.exe under ProgramW6432, ProgramFiles, "C:\\Program Files" or
// "C:\\Program Files (x86)" (each "\\7-Zip\\7z.exe"); empty when there is none.
std::wstring FindSevenZip();

// The SHA-256 the downloaded 7-Zip installer must have before it runs elevated.
extern const wchar_t kSevenZipInstallerSha256[];

namespace gui {

// The path of 7z.exe, installing 7-Zip first when it is missing; empty with `error` set
// when that fails, and `error` also a line of the feed.
std::wstring EnsureSevenZip(Feed* feed, std::wstring& error);
// The same with the installer's expected SHA-256 given (64 lower-case hex digits).
std::wstring EnsureSevenZipPinned(Feed* feed, const std::wstring& pinned, std::wstring& error);

}  // namespace gui
