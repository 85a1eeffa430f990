// Win32Files: CreateFileW, MoveFileExW, CopyFileW, DeleteFileW and FindFirstFileW; the
// folder access lists and the running-image copy live in files_security_win32.cpp.
#pragma once

#include <windows.h>
// The port method keeps its name; <windows.h> would map it to CreateDirectoryW.
#undef CreateDirectory

#include <utility>

#include "platform/files.h"
#include "platform/win32/unique_handle.h"

namespace platform {

// What Win32Files::OpenHeld gives: the open handle that other adapters verify through.
class Win32HeldFile final : public HeldFile {
 public:
  Win32HeldFile(std::wstring path, win32::UniqueHandle handle)
      : path_(std::move(path)), handle_(std::move(handle)) {}
  const std::wstring& path() const override { return path_; }
  HANDLE handle() const { return handle_.Get(); }

 private:
  std::wstring path_;
  win32::UniqueHandle handle_;
};

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
  support::Result<std::unique_ptr<HeldFile>> OpenHeld(const std::wstring& path) override;
  support::Result<std::unique_ptr<FileStream>> CreateStream(const std::wstring& path) override;
  support::Result<std::uint64_t> FreeSpace(const std::wstring& folder) override;
  support::Result<std::uint64_t> FileSize(const std::wstring& path) override;
  support::Result<std::string> ReadBytes(const std::wstring& path, std::uint64_t offset,
                                         std::size_t count) override;
  support::Result<std::vector<FolderEntry>> ListEntries(const std::wstring& folder) override;
  support::Status DeleteTree(const std::wstring& folder) override;
};

}  // namespace platform
