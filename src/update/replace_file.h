// Putting a new executable in place of an old one while keeping the old one beside it as
// "<path>.old", and clearing those leftovers later. A running executable may be renamed,
// so this works on the copy that is executing.
#pragma once

#include <string>

namespace update {

// Empty on success; otherwise the reason. When the copy fails the old file is moved back;
// when even that fails the message says so and ".old" is kept, as it is then the only
// copy of the previous program.
std::wstring ReplaceFileKeepingOld(const std::wstring& target, const std::wstring& source);

// Puts "<target>.old" back over `target` (a replacement the service would not run).
// Empty on success; otherwise the reason, ".old" kept.
std::wstring RestoreOld(const std::wstring& target);

enum class LeftoverOutcome { kNone, kDeleted, kAtReboot, kKept };

// Deletes "<path>.old". A file still held by a copy that is just closing is retried for a
// little over a second; after that it is marked to go at the next reboot.
LeftoverOutcome DeleteLeftover(const std::wstring& path);

}  // namespace update
