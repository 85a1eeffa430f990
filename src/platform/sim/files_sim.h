// SimFiles: a sandboxed file system. Windows paths ("C:\\ProgramData\\Veltrane\\x.csv")
// map onto a fresh temporary folder on the host disk, removed again by the destructor.
// Names compare case-insensitively and keep the case they were created with, as on
// Windows; each error carries the Windows error code the real call would give.
//
// Starts with the folders a fresh Windows has (C:\\Windows\\system32, C:\\ProgramData,
// C:\\Program Files, the user's temp folder), so the program's own folders can be made.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/fault_queue.h"

namespace platform {

enum class FileOp {
  kCreateDirectory,
  kRead,
  kWrite,
  kAppend,
  kMove,
  kCopy,
  kDelete,
  kRemoveDirectory,
  kDeleteAtReboot,
  kList,
  kProtect,
  kStreamWrite,  // a Write on an open FileStream
  kFreeSpace,
  kDeleteTree,
};

// How another process holds a file open.
enum class FileLock {
  kNone,
  // A running executable: others may read, copy and rename it, but not write, replace or
  // delete it.
  kInUse,
  // Opened without sharing: nothing else may open it at all.
  kExclusive,
  // Held for reading with read sharing only (OpenHeld): others may read and copy it, but
  // not write, rename, replace or delete it.
  kHeld,
};

class SimFiles final : public Files {
 public:
  SimFiles();
  ~SimFiles() override;
  SimFiles(const SimFiles&) = delete;
  SimFiles& operator=(const SimFiles&) = delete;

  bool Exists(const std::wstring& path) override;
  bool IsDirectory(const std::wstring& path) override;
  support::Status CreateDirectory(const std::wstring& path) override;
  support::Result<std::string> ReadAll(const std::wstring& path) override;
  support::Result<std::uint64_t> LastWriteTime(const std::wstring& path) override;
  support::Status WriteNew(const std::wstring& path, std::string_view bytes) override;
  support::Status Append(const std::wstring& path, std::string_view bytes) override;
  support::Status MoveReplace(const std::wstring& from, const std::wstring& to) override;
  support::Status Copy(const std::wstring& from, const std::wstring& to, bool overwrite) override;
  support::Status Delete(const std::wstring& path) override;
  support::Status RemoveEmptyDirectory(const std::wstring& path) override;
  support::Status DeleteAtReboot(const std::wstring& path) override;
  std::vector<std::wstring> List(const std::wstring& folder, const std::wstring& pattern) override;
  support::Status CreateProtectedDirectory(const std::wstring& path) override;
  support::Result<FolderTrust> QueryFolderTrust(const std::wstring& path) override;
  support::Status ProtectDirectory(const std::wstring& path) override;
  support::Result<std::string> ReadAtMost(const std::wstring& path,
                                          std::uint64_t max_bytes) override;
  support::Status WriteNewFlushed(const std::wstring& path, std::string_view bytes) override;
  support::Status CopyRunningExecutable(const std::wstring& to) override;
  // The sim keeps a file's version in its bytes, so copies and moves keep it: the text
  // "VS_FIXEDFILEINFO a.b.c.d" anywhere in the file (see VersionedBytes).
  support::Result<FileVersion> ReadFileVersion(const std::wstring& path) override;
  support::Result<std::unique_ptr<HeldFile>> OpenHeld(const std::wstring& path) override;
  support::Result<std::unique_ptr<FileStream>> CreateStream(const std::wstring& path) override;
  support::Result<std::uint64_t> FreeSpace(const std::wstring& folder) override;
  support::Result<std::uint64_t> FileSize(const std::wstring& path) override;
  support::Result<std::string> ReadBytes(const std::wstring& path, std::uint64_t offset,
                                         std::size_t count) override;
  support::Result<std::vector<FolderEntry>> ListEntries(const std::wstring& folder) override;
  support::Status DeleteTree(const std::wstring& folder) override;

  // Test controls.
  // The next call of `op` fails with `code` (and `win32_error`, 0 picks Windows' usual
  // code for it) without touching the disk. Faults queue per operation.
  void FailNext(FileOp op, support::ErrorCode code, std::uint32_t win32_error = 0);
  // Marks how another process holds `path`; the mark moves with the file on a rename.
  void SetLock(const std::wstring& path, FileLock lock);
  // Writes `bytes` to `path`, creating the missing folders on the way.
  void Seed(const std::wstring& path, std::string_view bytes);
  void SeedDirectory(const std::wstring& path);
  // Sets the last-write time (a FILETIME value) of an existing file.
  void SetLastWriteTime(const std::wstring& path, std::uint64_t filetime);
  // Bytes of an executable that carries `version`.
  static std::string VersionedBytes(const FileVersion& version);
  // Where `path` lives on the host disk (for inspecting files with ordinary tools).
  std::filesystem::path HostPath(const std::wstring& path);
  const std::filesystem::path& root() const { return root_; }
  // The paths DeleteAtReboot scheduled, in call order.
  std::vector<std::wstring> PendingRebootDeletes();
  // What QueryFolderTrust reports for a folder or file (a link reads as one whatever this
  // says). Unrecorded ones have a trusted owner (the program made them) and inherit who
  // else may write from the nearest recorded folder above: ProgramData, a volume root,
  // the user's profile and temporary folder let others write; Windows and Program Files
  // do not.
  void SetFolderTrust(const std::wstring& path, FolderTrust trust);
  // A running service's image: held in use while it runs, whatever SetLock says.
  void HoldImage(const std::wstring& path, bool running);
  // Whether the folder was made or re-secured with the protected access list.
  bool IsProtected(const std::wstring& path);
  // Where the running image lives (SimMachine ties it to the environment's exe path).
  void SetRunningImage(std::function<std::wstring()> path);
  // The next CopyRunningExecutable finds that the file at the image's path is not the
  // image that runs (it was swapped after the start).
  void SwapRunningImage();
  // The free bytes FreeSpace reports for `drive` (500 GB by default).
  void SetFreeSpace(wchar_t drive, std::uint64_t bytes);
  // A junction at `link` that points at the folder `target` (both sim paths).
  void SeedLink(const std::wstring& link, const std::wstring& target);

 private:
  struct Resolved {
    std::filesystem::path host;
    std::wstring key;  // case-folded Windows path: the identity of the file
    wchar_t drive = L'C';
    bool parent_is_dir = false;
  };

  // Maps a Windows path onto the sandbox; nullopt for paths Windows would reject here
  // (relative, no drive).
  std::optional<Resolved> Resolve(const std::wstring& path) const;
  // Resolve, then kNotFound (with Windows' file or path code) when nothing is there.
  support::Result<Resolved> ResolveExisting(const std::wstring& path) const;
  FileLock LockOf(const Resolved& r) const;
  FolderTrust TrustOfLocked(const Resolved& r) const;
  support::Status WriteBytes(const std::wstring& path, std::string_view bytes, bool append);
  void CreateParents(const std::filesystem::path& host);

  std::mutex mutex_;
  std::filesystem::path root_;
  std::map<std::wstring, FileLock> locks_;  // by Resolved::key
  sim::FaultQueue<FileOp> faults_;
  std::vector<std::wstring> reboot_deletes_;
  std::map<std::wstring, FolderTrust> trust_;  // by Resolved::key; see SetFolderTrust
  std::map<std::wstring, bool> protected_;     // by Resolved::key
  std::function<std::wstring()> running_image_;
  std::map<std::wstring, int> image_holds_;  // by Resolved::key
  bool image_swapped_ = false;
  std::map<wchar_t, std::uint64_t> free_space_;

  friend class SimFileStream;
  friend class SimHeldFile;
};

}  // namespace platform
