// Win32Files: CreateFileW, MoveFileExW, CopyFileW, DeleteFileW and FindFirstFileW; the
// folder access lists and the running-image copy live in files_security_win32.cpp.
#pragma once

#include "platform/files.h"

namespace platform {

class Win32Files final : public Files {
 public:
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
  support::Result<FileVersion> ReadFileVersion(const std::wstring& path) override;
  support::Result<std::unique_ptr<FileStream>> CreateStream(const std::wstring& path) override;
  support::Result<std::uint64_t> FreeSpace(const std::wstring& folder) override;
  support::Result<std::uint64_t> FileSize(const std::wstring& path) override;
  support::Result<std::string> ReadBytes(const std::wstring& path, std::uint64_t offset,
                                         std::size_t count) override;
  support::Result<std::vector<FolderEntry>> ListEntries(const std::wstring& folder) override;
  support::Status DeleteTree(const std::wstring& folder) override;
};

}  // namespace platform
