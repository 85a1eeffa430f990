// The data folder that the SYSTEM service reads from, and every folder an elevated run
// writes in: all of them lie in it. Only an elevated process makes them, each level with
// an access list through which only administrators can write, and every use checks that
// it is still such a folder.
#pragma once

#include <string>

// Empty when the data folder may be used now; otherwise the sentence that says why it is
// left alone. Elevated: a missing folder is made protected, a link is refused, and one
// that anyone but SYSTEM, Administrators or TrustedInstaller owns or may write in is
// re-secured, with what others put inside taken back (refused when that fails).
// Unelevated: never made; an existing one is used with the user's own rights.
std::wstring PrepareDataFolder(const std::wstring& folder);

// As PrepareDataFolder for `folder`, which is DataFolder() or lies inside it ("...\\drivers"):
// the data folder first, then each level below it, made or checked the same way. An
// unelevated process is refused, as is a folder outside the data folder.
std::wstring PrepareProtectedFolder(const std::wstring& folder);

// A folder that exists only for this run.
struct RunFolder {
  std::wstring path;     // empty when none was made
  std::wstring refusal;  // then, the sentence that says why
};

// Makes "<parent>\\<prefix>-<16 hex digits>" fresh: a name that is already there is never
// reused (another is tried), so nothing another account prepared can be in it. With
// `protect` it gets the protected access list, else it inherits from `parent`.
RunFolder CreateFreshFolder(const std::wstring& parent, const std::wstring& prefix, bool protect);

// A fresh protected folder of this run inside the checked data folder: where an elevated
// step unpacks, verifies and starts what it downloaded, or keeps scratch files. The
// caller deletes it when done.
RunFolder CreateRunFolder(const std::wstring& prefix);

// Empty when `path`, a folder or a program the user chose, may be used by what runs
// elevated: it exists, is no link, is owned by SYSTEM, Administrators or TrustedInstaller,
// and nobody else may write to it. Otherwise why not, as the end of a sentence that
// begins with the path ("lets other users change it").
std::wstring UnsafeForElevatedUse(const std::wstring& path);
