// Win32Files: streamed writes, free space, first bytes, listings and tree deletes.
#include <windows.h>
#undef CreateDirectory

#include <algorithm>
#include <cwctype>

#include "platform/win32/files_win32.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using support::ErrorCode;
using support::Status;
using win32::LastError;
using win32::UniqueHandle;

namespace {

constexpr DWORD kMaxSlice = 1u << 30;

class Win32FileStream final : public FileStream {
 public:
  Win32FileStream(UniqueHandle file, std::wstring path)
      : file_(std::move(file)), path_(std::move(path)) {}

  Status Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD slice = bytes.size() > kMaxSlice ? kMaxSlice : static_cast<DWORD>(bytes.size());
      DWORD written = 0;
      if (!::WriteFile(file_.Get(), bytes.data(), slice, &written, nullptr)) {
        return LastError(L"WriteFile " + path_);
      }
      if (written != slice) return support::Fail(ErrorCode::kFailed, L"WriteFile " + path_, 112);
      bytes.remove_prefix(slice);
    }
    return {};
  }

  Status Close() override {
    if (!file_) return {};
    const bool flushed = ::FlushFileBuffers(file_.Get()) != 0;
    const DWORD error = flushed ? 0 : ::GetLastError();
    file_.Reset();
    if (!flushed) return win32::FromWin32(error, L"FlushFileBuffers " + path_);
    return {};
  }

 private:
  UniqueHandle file_;
  std::wstring path_;
};

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Removes `path` (a folder) and its content; links are removed as links.
Status DeleteTreeAt(const std::wstring& path) {
  WIN32_FIND_DATAW data{};
  win32::UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      const DWORD attributes = data.dwFileAttributes;
      // Never through a link: setting attributes by name would change what it points at.
      if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 && !IsLink(attributes)) {
        ::SetFileAttributesW(child.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
      }
      const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      // A directory link (junction or symlink) goes with RemoveDirectoryW, which removes
      // the link and leaves its target alone; a file link with DeleteFileW.
      if (folder && !IsLink(attributes)) {
        if (Status status = DeleteTreeAt(child); !status) return status;
      } else if (folder) {
        if (!::RemoveDirectoryW(child.c_str())) return LastError(L"RemoveDirectoryW " + child);
      } else if (!::DeleteFileW(child.c_str())) {
        return LastError(L"DeleteFileW " + child);
      }
    } while (::FindNextFileW(find.Get(), &data));
  }
  if (!::RemoveDirectoryW(path.c_str())) return LastError(L"RemoveDirectoryW " + path);
  return {};
}

// Names in the order NTFS keeps them: compared without regard to case.
bool FoldedLess(const std::wstring& a, const std::wstring& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](wchar_t x, wchar_t y) { return std::towupper(x) < std::towupper(y); });
}

}  // namespace

support::Result<std::unique_ptr<FileStream>> Win32Files::CreateStream(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  return std::unique_ptr<FileStream>(std::make_unique<Win32FileStream>(std::move(file), path));
}

support::Result<std::uint64_t> Win32Files::FreeSpace(const std::wstring& folder) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
    return LastError(L"GetDiskFreeSpaceExW " + folder);
  }
  return static_cast<std::uint64_t>(available.QuadPart);
}

support::Result<std::uint64_t> Win32Files::FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return LastError(L"GetFileAttributesExW " + path);
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return support::Fail(ErrorCode::kAccessDenied, path, ERROR_ACCESS_DENIED);
  }
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

support::Result<std::string> Win32Files::ReadBytes(const std::wstring& path, std::uint64_t offset,
                                                   std::size_t count) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) {
    return LastError(L"SetFilePointerEx " + path);
  }
  const DWORD want = count > kMaxSlice ? kMaxSlice : static_cast<DWORD>(count);
  std::string bytes(want, '\0');
  DWORD got = 0;
  if (!::ReadFile(file.Get(), bytes.data(), want, &got, nullptr)) {
    return LastError(L"ReadFile " + path);
  }
  bytes.resize(got);
  return bytes;
}

support::Result<std::vector<FolderEntry>> Win32Files::ListEntries(const std::wstring& folder) {
  WIN32_FIND_DATAW data{};
  win32::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return LastError(L"FindFirstFileW " + folder);
  std::vector<FolderEntry> entries;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = name;
    entry.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.is_reparse_point = IsLink(data.dwFileAttributes);
    if (!entry.is_directory) {
      entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    entries.push_back(std::move(entry));
  } while (::FindNextFileW(find.Get(), &data));
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return FoldedLess(a.name, b.name); });
  return entries;
}

Status Win32Files::DeleteTree(const std::wstring& folder) {
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError(L"GetFileAttributesW " + folder);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return support::Fail(ErrorCode::kFailed, folder, ERROR_DIRECTORY);
  }
  // The folder itself being a link: only the link goes.
  if (IsLink(attributes)) {
    if (!::RemoveDirectoryW(folder.c_str())) return LastError(L"RemoveDirectoryW " + folder);
    return {};
  }
  return DeleteTreeAt(folder);
}

}  // namespace platform
