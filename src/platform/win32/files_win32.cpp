#include "platform/win32/files_win32.h"

#include <windows.h>
// <windows.h> maps CreateDirectory to CreateDirectoryW; the port method keeps its name.
#undef CreateDirectory

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using support::ErrorCode;
using support::Fail;
using support::Status;
using win32::LastError;
using win32::UniqueHandle;

namespace {

// WriteFile takes a 32-bit count: larger buffers go in slices.
constexpr std::size_t kMaxSlice = 1u << 30;

DWORD AttributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

// Reads the whole of an open file, refusing one above `max_bytes`.
support::Result<std::string> ReadOpened(const UniqueHandle& file, const std::wstring& path,
                                        std::uint64_t max_bytes) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return LastError(L"GetFileSizeEx " + path);
  if (static_cast<std::uint64_t>(size.QuadPart) > max_bytes) {
    return Fail(ErrorCode::kTooLarge, path, ERROR_NOT_ENOUGH_MEMORY);
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  // The file may shrink while we read; what was there is what we return.
  while (done < bytes.size()) {
    DWORD read = 0;
    const DWORD slice = static_cast<DWORD>(std::min(bytes.size() - done, kMaxSlice));
    if (!::ReadFile(file.Get(), bytes.data() + done, slice, &read, nullptr)) {
      return LastError(L"ReadFile " + path);
    }
    if (read == 0) break;
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

// Writes every byte to an open file; a short write is kFailed.
Status WriteOpened(const UniqueHandle& file, const std::wstring& path, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD slice = static_cast<DWORD>(std::min(bytes.size() - done, kMaxSlice));
    if (!::WriteFile(file.Get(), bytes.data() + done, slice, &written, nullptr)) {
      return LastError(L"WriteFile " + path);
    }
    if (written == 0) return Fail(ErrorCode::kFailed, L"WriteFile (short) " + path);
    done += written;
  }
  return {};
}

}  // namespace

support::Result<std::string> Win32Files::ReadAll(const std::wstring& path) {
  // Shared for reading and writing: the log is read while other processes append to it.
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  return ReadOpened(file, path, UINT64_MAX);
}

support::Result<std::string> Win32Files::ReadAtMost(const std::wstring& path,
                                                    std::uint64_t max_bytes) {
  // Delete sharing too: a reader must never make another process's replacing move fail.
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  return ReadOpened(file, path, max_bytes);
}


bool Win32Files::Exists(const std::wstring& path) {
  return AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Files::IsDirectory(const std::wstring& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Status Win32Files::CreateDirectory(const std::wstring& path) {
  if (!::CreateDirectoryW(path.c_str(), nullptr)) return LastError(L"CreateDirectoryW " + path);
  return {};
}

support::Result<std::uint64_t> Win32Files::LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return LastError(L"GetFileAttributesExW " + path);
  }
  return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

Status Win32Files::WriteNew(const std::wstring& path, std::string_view bytes) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  return WriteOpened(file, path, bytes);
}

Status Win32Files::WriteNewFlushed(const std::wstring& path, std::string_view bytes) {
  // CREATE_NEW: a name someone else put there (file, folder or link) is never reused.
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  if (Status written = WriteOpened(file, path, bytes); !written) return written;
  if (!::FlushFileBuffers(file.Get())) return LastError(L"FlushFileBuffers " + path);
  return {};
}

Status Win32Files::Append(const std::wstring& path, std::string_view bytes) {
  if (bytes.size() > kMaxSlice) return Fail(ErrorCode::kInvalidArgument, L"Append " + path);
  // Other processes (the service, a second copy) append to the same file: share it, and
  // write each piece with one call so pieces never interleave.
  UniqueHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError(L"CreateFileW " + path);
  DWORD written = 0;
  if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return LastError(L"WriteFile " + path);
  }
  if (written != bytes.size()) return Fail(ErrorCode::kFailed, L"WriteFile (short) " + path);
  return {};
}

Status Win32Files::MoveReplace(const std::wstring& from, const std::wstring& to) {
  if (!::MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastError(L"MoveFileExW " + from + L" -> " + to);
  }
  return {};
}

Status Win32Files::Copy(const std::wstring& from, const std::wstring& to, bool overwrite) {
  if (!::CopyFileW(from.c_str(), to.c_str(), overwrite ? FALSE : TRUE)) {
    return LastError(L"CopyFileW " + from + L" -> " + to);
  }
  return {};
}

Status Win32Files::Delete(const std::wstring& path) {
  if (!::DeleteFileW(path.c_str())) return LastError(L"DeleteFileW " + path);
  return {};
}

Status Win32Files::RemoveEmptyDirectory(const std::wstring& path) {
  if (!::RemoveDirectoryW(path.c_str())) return LastError(L"RemoveDirectoryW " + path);
  return {};
}

Status Win32Files::DeleteAtReboot(const std::wstring& path) {
  if (!::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    return LastError(L"MoveFileExW " + path);
  }
  return {};
}

std::vector<std::wstring> Win32Files::List(const std::wstring& folder,
                                           const std::wstring& pattern) {
  std::vector<std::wstring> names;
  std::wstring query = folder;
  if (!query.empty() && query.back() != L'\\' && query.back() != L'/') query += L'\\';
  query += pattern;
  WIN32_FIND_DATAW data{};
  win32::UniqueFindHandle find(::FindFirstFileW(query.c_str(), &data));
  if (!find) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
  } while (::FindNextFileW(find.Get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
