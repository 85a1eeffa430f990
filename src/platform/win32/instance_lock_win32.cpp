#include "platform/win32/instance_lock_win32.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <sddl.h>

#include <memory>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::FromWin32;
using win32::UniqueHandle;

namespace {

// Only SYSTEM and Administrators may open the namespace or the mutex in it; nothing is
// inherited from the creator's default.
constexpr wchar_t kAdministratorsOnlySddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

struct BoundaryTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteBoundaryDescriptor(h); }
};

struct PrivateNamespaceTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::ClosePrivateNamespace(h, 0); }
};

using UniqueBoundary = win32::UniqueResource<BoundaryTraits>;
using UniqueNamespace = win32::UniqueResource<PrivateNamespaceTraits>;

struct LocalDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};

class Win32HeldMutex final : public HeldMutex {
 public:
  Win32HeldMutex(UniqueNamespace private_namespace, UniqueHandle handle)
      : namespace_(std::move(private_namespace)), handle_(std::move(handle)) {}

 private:
  // Destroyed in reverse order: the mutex closes before the namespace that names it.
  UniqueNamespace namespace_;
  UniqueHandle handle_;
};

support::Result<UniqueHandle> CreateNamedMutex(const std::wstring& name,
                                               SECURITY_ATTRIBUTES* attributes) {
  UniqueHandle handle(::CreateMutexW(attributes, FALSE, name.c_str()));
  // Read at once: the next call may overwrite it.
  const DWORD error = ::GetLastError();
  if (!handle) return FromWin32(error, L"CreateMutexW " + name);
  if (error == ERROR_ALREADY_EXISTS) {
    return support::Fail(support::ErrorCode::kAlreadyExists, name, ERROR_ALREADY_EXISTS);
  }
  return handle;
}

support::Result<UniqueBoundary> AdministratorsBoundary(const std::wstring& name) {
  // Wine's stand-in fails without setting an error, so a stale one must not show through.
  ::SetLastError(ERROR_SUCCESS);
  UniqueBoundary boundary(::CreateBoundaryDescriptorW(name.c_str(), 0));
  if (!boundary) {
    // No error at all means no boundaries on this system (Wine, where calling
    // AddSIDToBoundaryDescriptor would abort the process).
    const DWORD error = ::GetLastError();
    return FromWin32(error != 0 ? error : ERROR_CALL_NOT_IMPLEMENTED,
                     L"CreateBoundaryDescriptorW " + name);
  }
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof(sid);
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size)) {
    return win32::LastError(L"CreateWellKnownSid");
  }
  // The call may move the descriptor, so it gets the raw slot and the owner takes it back.
  HANDLE raw = boundary.Release();
  const BOOL added = ::AddSIDToBoundaryDescriptor(&raw, sid);
  const DWORD error = ::GetLastError();
  boundary.Reset(raw);
  if (!added) return FromWin32(error, L"AddSIDToBoundaryDescriptor");
  return boundary;
}

// Creates the namespace, or opens the one another elevated process made. A holder that
// closes it between the two calls takes it away, so that case creates it afresh once.
support::Result<UniqueNamespace> OpenAdministratorsNamespace(const std::wstring& name,
                                                             SECURITY_ATTRIBUTES* attributes) {
  auto boundary = AdministratorsBoundary(name);
  if (!boundary) return boundary.error();
  for (int attempt = 0;; ++attempt) {
    UniqueNamespace created(
        ::CreatePrivateNamespaceW(attributes, boundary.value().Get(), name.c_str()));
    if (created) return created;
    DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return FromWin32(error, L"CreatePrivateNamespaceW " + name);
    UniqueNamespace opened(::OpenPrivateNamespaceW(boundary.value().Get(), name.c_str()));
    if (opened) return opened;
    error = ::GetLastError();
    const bool vanished = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND;
    if (!vanished || attempt == 1) return FromWin32(error, L"OpenPrivateNamespaceW " + name);
  }
}

}  // namespace

std::unique_ptr<HeldMutex> Win32InstanceLock::TryCreate(const std::wstring& name) {
  auto held = Acquire(name);
  return held ? std::move(held).value() : nullptr;
}

support::Result<std::unique_ptr<HeldMutex>> Win32InstanceLock::Acquire(const std::wstring& name) {
  auto handle = CreateNamedMutex(name, nullptr);
  if (!handle) return handle.error();
  return std::unique_ptr<HeldMutex>(
      std::make_unique<Win32HeldMutex>(UniqueNamespace(), std::move(handle).value()));
}

support::Result<std::unique_ptr<HeldMutex>> Win32InstanceLock::AcquireForAdministrators(
    const std::wstring& namespace_name, const std::wstring& name) {
  PSECURITY_DESCRIPTOR raw_descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kAdministratorsOnlySddl, SDDL_REVISION_1, &raw_descriptor, nullptr)) {
    return win32::LastError(L"ConvertStringSecurityDescriptorToSecurityDescriptorW");
  }
  const std::unique_ptr<void, LocalDeleter> descriptor(raw_descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  auto private_namespace = OpenAdministratorsNamespace(namespace_name, &attributes);
  if (!private_namespace) return private_namespace.error();
  auto handle = CreateNamedMutex(namespace_name + L"\\" + name, &attributes);
  if (!handle) return handle.error();
  return std::unique_ptr<HeldMutex>(std::make_unique<Win32HeldMutex>(
      std::move(private_namespace).value(), std::move(handle).value()));
}

}  // namespace platform
