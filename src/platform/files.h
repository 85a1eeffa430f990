// Files port: whole-file reads and writes, appends, moves, copies and listings.
// Paths are Windows paths ("C:\\ProgramData\\Veltrane\\Veltrane.log").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/result.h"

namespace platform {

// What decides whether an existing folder (or a file in it) may hold what a SYSTEM service
// reads or an elevated process runs.
struct FolderTrust {
  bool reparse_point = false;  // a junction or link: its contents live somewhere else
  // Owned by SYSTEM, the Administrators group or TrustedInstaller.
  bool trusted_owner = false;
  // An allow entry (inherit-only ones included: they reach what is made inside later)
  // gives write, append or create, delete, or a change of rights or owner to someone
  // other than SYSTEM, Administrators, TrustedInstaller or the creator-owner placeholder.
  bool others_may_write = false;
  // Only SYSTEM, Administrators and TrustedInstaller may change it: no link, no foreign
  // owner, no foreign write right.
  bool Trusted() const { return !reparse_point && trusted_owner && !others_may_write; }
};

// The file version of a version resource's fixed part, most significant first.
struct FileVersion {
  std::uint16_t major = 0, minor = 0, build = 0, revision = 0;
  auto operator<=>(const FileVersion&) const = default;
};

// A file being written piece by piece (a download). Closing is explicit so a failed
// flush is seen; the destructor closes quietly.
class FileStream {
 public:
  virtual ~FileStream() = default;
  // Every byte or kFailed (a full disk is 112).
  virtual support::Status Write(std::string_view bytes) = 0;
  virtual support::Status Close() = 0;
};

// A file held open for reading with read sharing only: while it is held no program can
// write, replace, rename or delete it, so what was checked through it is what is used.
class HeldFile {
 public:
  virtual ~HeldFile() = default;
  virtual const std::wstring& path() const = 0;
};

// One entry of a folder listing.
struct FolderEntry {
  std::wstring name;
  bool is_directory = false;
  // A junction or symbolic link: what it points at is not this folder's content.
  bool is_reparse_point = false;
  std::uint64_t size = 0;  // files only
};

class Files {
 public:
  virtual ~Files() = default;
  virtual bool Exists(const std::wstring& path) = 0;  // file or folder
  virtual bool IsDirectory(const std::wstring& path) = 0;
  // CreateDirectoryW of one level; kAlreadyExists when it is there. (<windows.h> defines
  // CreateDirectory as a macro: Windows-side code that includes it #undefs it.)
  virtual support::Status CreateDirectory(const std::wstring& path) = 0;
  virtual support::Result<std::string> ReadAll(const std::wstring& path) = 0;
  // The last write as a FILETIME: 100-ns units since 1601-01-01 UTC. kNotFound when the
  // file is missing.
  virtual support::Result<std::uint64_t> LastWriteTime(const std::wstring& path) = 0;
  // Creates or truncates `path` and writes every byte; a short write is kFailed.
  virtual support::Status WriteNew(const std::wstring& path, std::string_view bytes) = 0;
  // Opens with FILE_APPEND_DATA (shared read/write, OPEN_ALWAYS), writes once, closes.
  virtual support::Status Append(const std::wstring& path, std::string_view bytes) = 0;
  // MoveFileExW with REPLACE_EXISTING | WRITE_THROUGH.
  virtual support::Status MoveReplace(const std::wstring& from, const std::wstring& to) = 0;
  // CopyFileW; fails with kAlreadyExists when `overwrite` is false and `to` exists, and
  // with kAccessDenied when the target is in use.
  virtual support::Status Copy(const std::wstring& from, const std::wstring& to,
                               bool overwrite) = 0;
  virtual support::Status Delete(const std::wstring& path) = 0;
  // RemoveDirectoryW: only an empty folder goes (kFailed, 145, otherwise).
  virtual support::Status RemoveEmptyDirectory(const std::wstring& path) = 0;
  // MoveFileExW(path, nullptr, DELAY_UNTIL_REBOOT): the file goes at the next boot, even
  // while it runs now.
  virtual support::Status DeleteAtReboot(const std::wstring& path) = 0;
  // Names (not paths) of the files in `folder` matching the wildcard `pattern`
  // ("benchmark-*.csv"), sorted by name.
  virtual std::vector<std::wstring> List(const std::wstring& folder,
                                         const std::wstring& pattern) = 0;
  // CreateDirectoryW with an explicit, protected access list (no inheritance from the
  // parent): SYSTEM and Administrators full control, Users read and execute; owner
  // Administrators. kAlreadyExists when something of that name is there.
  virtual support::Status CreateProtectedDirectory(const std::wstring& path) = 0;
  // Reparse attribute, owner and who else may write, of an existing folder or file, read
  // from the object itself, never what a link leads to (kNotFound when missing).
  virtual support::Result<FolderTrust> QueryFolderTrust(const std::wstring& path) = 0;
  // Gives an existing folder the owner and access list of CreateProtectedDirectory and
  // takes back everything inside it: each file and folder below gets the same owner and
  // list; a link below is removed as a link (what it points at is never touched). A link
  // at `path` itself is kAccessDenied. On a failure part of the tree may be re-secured.
  virtual support::Status ProtectDirectory(const std::wstring& path) = 0;
  // ReadAll of a file no larger than `max_bytes` (kTooLarge otherwise, nothing read).
  // Opened with read, write and delete sharing, so it never blocks a replacing move.
  virtual support::Result<std::string> ReadAtMost(const std::wstring& path,
                                                  std::uint64_t max_bytes) = 0;
  // CREATE_NEW, every byte, then FlushFileBuffers. kAlreadyExists when a file or folder
  // of that name is there: nothing is ever reused or truncated.
  virtual support::Status WriteNewFlushed(const std::wstring& path, std::string_view bytes) = 0;
  // Copies the running executable into `to` (CREATE_NEW, flushed). The source is held
  // open without write or delete sharing for the whole copy and checked to be the image
  // that runs; kFailed when it is not.
  virtual support::Status CopyRunningExecutable(const std::wstring& to) = 0;
  // GetFileVersionInfoW + VerQueryValueW("\\"): the fixed file version. kNotFound when
  // the file is missing; kFailed when it carries no version resource.
  virtual support::Result<FileVersion> ReadFileVersion(const std::wstring& path) = 0;

  // CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT)
  // held until the object goes. kAccessDenied when `path` is a link (what it points at is
  // never opened) or a folder; kSharingViolation (as kAccessDenied, 32) when another
  // program has it open for writing; kNotFound when missing.
  virtual support::Result<std::unique_ptr<HeldFile>> OpenHeld(const std::wstring& path) = 0;
  // CreateFileW(CREATE_ALWAYS) for writing, shared for reading only.
  virtual support::Result<std::unique_ptr<FileStream>> CreateStream(const std::wstring& path) = 0;
  // GetDiskFreeSpaceExW: the bytes the caller may still use on the drive of `folder`.
  virtual support::Result<std::uint64_t> FreeSpace(const std::wstring& folder) = 0;
  // The size of a file; kNotFound when missing, kAccessDenied for a folder.
  virtual support::Result<std::uint64_t> FileSize(const std::wstring& path) = 0;
  // Up to `count` bytes from `offset` on (fewer at the end of the file).
  virtual support::Result<std::string> ReadBytes(const std::wstring& path, std::uint64_t offset,
                                                 std::size_t count) = 0;
  // Every entry of `folder` but "." and "..", sorted by name without regard to case.
  // kNotFound when missing.
  virtual support::Result<std::vector<FolderEntry>> ListEntries(const std::wstring& folder) = 0;
  // Deletes `folder` and everything in it. A junction or symbolic link inside is removed
  // as a link; what it points at is never entered. Read-only files go too. kNotFound
  // when the folder is missing; on a failure part of the tree may be gone.
  virtual support::Status DeleteTree(const std::wstring& folder) = 0;
};

}  // namespace platform
