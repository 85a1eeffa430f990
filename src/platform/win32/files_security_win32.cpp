// The Files calls that decide who may change what a SYSTEM service later reads: the data
// folder's access list and owner, and the held copy of the running executable.
#include <windows.h>
// After windows.h, which they build on.
#include <aclapi.h>
#include <psapi.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win32/files_win32.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using support::ErrorCode;
using support::Fail;
using support::Status;
using win32::LastError;
using win32::UniqueHandle;

namespace {

// Protected (no inheritance from ProgramData's user-writable default): SYSTEM and
// Administrators full control, Users read and execute, for the folder and all it holds.
constexpr wchar_t kProtectedFolderSddl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr std::size_t kCopySlice = 1u << 16;

struct LocalDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};
using LocalDescriptor = std::unique_ptr<void, LocalDeleter>;

support::Result<LocalDescriptor> ProtectedDescriptor() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderSddl, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    return LastError(L"ConvertStringSecurityDescriptorToSecurityDescriptorW");
  }
  return LocalDescriptor(descriptor);
}

// The folder itself, never what a reparse point leads to.
UniqueHandle OpenFolder(const std::wstring& path, DWORD access) {
  return UniqueHandle(::CreateFileW(
      path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsReparsePoint(const UniqueHandle& handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  return !::GetFileInformationByHandle(handle.Get(), &info) ||
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool SameFile(const UniqueHandle& a, const UniqueHandle& b) {
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  return ::GetFileInformationByHandle(a.Get(), &x) && ::GetFileInformationByHandle(b.Get(), &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

// SYSTEM, Administrators and TrustedInstaller may change what the service reads; the
// creator-owner placeholder stands for whoever makes something inside, who must already
// have been granted the right to.
// Wine keeps no access lists on files: it reports the Unix owner as the running user and
// the mode bits as entries for that user, SYSTEM and Everyone. It has one account, always
// elevated, so there that user stands for the administrators; a mode that lets others
// write still shows as an Everyone entry.
bool IsWineRunningUser(PSID sid) {
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
    return false;
  }
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const UniqueHandle token(raw);
  BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) return false;
  return ::EqualSid(sid, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) != FALSE;
}

bool IsTrustedSid(PSID sid) {
  static constexpr wchar_t kTrustedInstaller[] =
      L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  if (::IsWellKnownSid(sid, WinLocalSystemSid) ||
      ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
      ::IsWellKnownSid(sid, WinCreatorOwnerSid)) {
    return true;
  }
  PSID installer = nullptr;
  if (!::ConvertStringSidToSidW(kTrustedInstaller, &installer)) return false;
  const LocalDescriptor held(installer);
  return ::EqualSid(sid, installer) != FALSE || IsWineRunningUser(sid);
}

// Any allow entry that lets someone else write, add, delete or take over. An entry of a
// kind not read here counts as such a grant.
bool OthersMayWrite(const ACL* dacl) {
  constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                   FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                   WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  if (dacl == nullptr) return true;  // no list at all: everyone has every right
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    if (!::GetAce(const_cast<ACL*>(dacl), index, &entry)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE ||
        header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
        header->AceType == SYSTEM_AUDIT_ACE_TYPE) {
      continue;
    }
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((allowed->Mask & kChanges) != 0 && !IsTrustedSid(sid)) return true;
  }
  return false;
}

// Owner Administrators and the protected list on what `handle` opened.
Status Secure(HANDLE handle, const std::wstring& path) {
  auto descriptor = ProtectedDescriptor();
  if (!descriptor) return descriptor.error();
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!::GetSecurityDescriptorDacl(descriptor->get(), &present, &dacl, &defaulted)) {
    return LastError(L"GetSecurityDescriptorDacl");
  }
  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD admins_size = sizeof admins;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &admins_size)) {
    return LastError(L"CreateWellKnownSid");
  }
  const DWORD status = ::SetSecurityInfo(
      handle, SE_FILE_OBJECT,
      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      admins, nullptr, dacl, nullptr);
  if (status != ERROR_SUCCESS) return win32::FromWin32(status, L"SetSecurityInfo " + path);
  return {};
}

// Everything below `folder`: links are removed as links, the rest secured, folders
// entered only after they were opened as what they are.
Status SecureChildren(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return {};
    return win32::FromWin32(error, L"FindFirstFileExW " + folder);
  }
  std::vector<WIN32_FIND_DATAW> entries;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") entries.push_back(found);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  for (const WIN32_FIND_DATAW& entry : entries) {
    const std::wstring path = folder + L"\\" + entry.cFileName;
    const bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      const BOOL removed =
          directory ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str());
      if (!removed) return LastError(L"Remove link " + path);
      continue;
    }
    const UniqueHandle child =
        OpenFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES);
    if (!child) return LastError(L"CreateFileW " + path);
    if (IsReparsePoint(child)) return Fail(ErrorCode::kAccessDenied, path, ERROR_ACCESS_DENIED);
    if (Status secured = Secure(child.Get(), path); !secured) return secured;
    if (directory) {
      if (Status inner = SecureChildren(path); !inner) return inner;
    }
  }
  return {};
}

// Enables SeRestorePrivilege in the process token while it lives, and puts the earlier
// state back: with it, a backup-semantics open is granted a new owner and list whatever
// the object's own list says.
class RestorePrivilege {
 public:
  RestorePrivilege() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
      return;
    }
    token_ = UniqueHandle(raw);
    TOKEN_PRIVILEGES wanted{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (!::LookupPrivilegeValueW(nullptr, SE_RESTORE_NAME, &wanted.Privileges[0].Luid)) return;
    DWORD size = sizeof previous_;
    adjusted_ = ::AdjustTokenPrivileges(token_.Get(), FALSE, &wanted, sizeof previous_, &previous_,
                                        &size) &&
                ::GetLastError() == ERROR_SUCCESS;
  }
  ~RestorePrivilege() {
    if (adjusted_) ::AdjustTokenPrivileges(token_.Get(), FALSE, &previous_, 0, nullptr, nullptr);
  }
  RestorePrivilege(const RestorePrivilege&) = delete;
  RestorePrivilege& operator=(const RestorePrivilege&) = delete;

 private:
  UniqueHandle token_;
  TOKEN_PRIVILEGES previous_{};
  bool adjusted_ = false;
};

std::wstring ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return buffer.substr(0, length);
    buffer.resize(buffer.size() * 2);
  }
}

// The file the running image is mapped from, opened by its current name (which follows
// a rename, unlike the path the loader recorded at start).
UniqueHandle OpenMappedImage() {
  std::wstring name(32768, L'\0');
  const DWORD length = ::GetMappedFileNameW(::GetCurrentProcess(), ::GetModuleHandleW(nullptr),
                                            name.data(), static_cast<DWORD>(name.size()));
  if (length == 0) return UniqueHandle();
  name.resize(length);
  // Windows names the device ("\Device\HarddiskVolume3\..."); Wine may give a DOS
  // device path ("\??\C:\...") instead.
  const std::wstring dos_prefix = L"\\??\\";
  const std::wstring openable = name.starts_with(dos_prefix)
                                    ? L"\\\\?\\" + name.substr(dos_prefix.size())
                                    : L"\\\\?\\GLOBALROOT" + name;
  return UniqueHandle(::CreateFileW(openable.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

}  // namespace

Status Win32Files::CreateProtectedDirectory(const std::wstring& path) {
  auto descriptor = ProtectedDescriptor();
  if (!descriptor) return descriptor.error();
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor->get(), FALSE};
  if (!::CreateDirectoryW(path.c_str(), &attributes)) return LastError(L"CreateDirectoryW " + path);
  return {};
}

support::Result<FolderTrust> Win32Files::QueryFolderTrust(const std::wstring& path) {
  const UniqueHandle folder = OpenFolder(path, READ_CONTROL | FILE_READ_ATTRIBUTES);
  if (!folder) return LastError(L"CreateFileW " + path);
  FolderTrust trust;
  trust.reparse_point = IsReparsePoint(folder);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD status = ::GetSecurityInfo(folder.Get(), SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                         &owner, nullptr, &dacl, nullptr, &descriptor);
  if (status != ERROR_SUCCESS) return win32::FromWin32(status, L"GetSecurityInfo " + path);
  const LocalDescriptor held(descriptor);
  trust.trusted_owner = owner != nullptr && ::IsValidSid(owner) && IsTrustedSid(owner) &&
                        !::IsWellKnownSid(owner, WinCreatorOwnerSid);
  trust.others_may_write = OthersMayWrite(dacl);
  return trust;
}

Status Win32Files::ProtectDirectory(const std::wstring& path) {
  // What another account made may no longer grant administrators anything; an elevated
  // administrator may still open it for a new owner and list with the restore privilege,
  // held but disabled until asked for. Without it (not elevated) such a file fails below.
  const RestorePrivilege restore;
  const UniqueHandle folder =
      OpenFolder(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES);
  if (!folder) return LastError(L"CreateFileW " + path);
  // Checked on the handle that is changed, so no link can be swapped in between.
  if (IsReparsePoint(folder)) return Fail(ErrorCode::kAccessDenied, path, ERROR_ACCESS_DENIED);
  if (Status secured = Secure(folder.Get(), path); !secured) return secured;
  // What others made inside keeps their ownership (and so their say over it) otherwise.
  return SecureChildren(path);
}

Status Win32Files::CopyRunningExecutable(const std::wstring& to) {
  // Step 1: hold the source so nobody can write, rename or delete it while we copy.
  const std::wstring from = ModulePath();
  const UniqueHandle source(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!source) return LastError(L"CreateFileW " + from);
  // Step 2: the held file must be the image that runs: the loader's path may by now name
  // a file someone put there after renaming ours away.
  const UniqueHandle image = OpenMappedImage();
  if (!image) return LastError(L"GetMappedFileNameW " + from);
  if (!SameFile(source, image)) {
    return Fail(ErrorCode::kFailed, from + L" is not the running image", ERROR_FILE_INVALID);
  }
  // Step 3: from the held handle into a name nobody else made.
  const UniqueHandle target(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target) return LastError(L"CreateFileW " + to);
  std::string buffer(kCopySlice, '\0');
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(source.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                    nullptr)) {
      return LastError(L"ReadFile " + from);
    }
    if (read == 0) break;
    DWORD written = 0;
    if (!::WriteFile(target.Get(), buffer.data(), read, &written, nullptr) || written != read) {
      return LastError(L"WriteFile " + to);
    }
  }
  if (!::FlushFileBuffers(target.Get())) return LastError(L"FlushFileBuffers " + to);
  return {};
}

}  // namespace platform
