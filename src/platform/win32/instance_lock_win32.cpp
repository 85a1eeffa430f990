#include "platform/win32/instance_lock_win32.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

class Win32HeldMutex final : public HeldMutex {
 public:
  explicit Win32HeldMutex(win32::UniqueHandle handle) : handle_(std::move(handle)) {}

 private:
  win32::UniqueHandle handle_;
};

}  // namespace

std::unique_ptr<HeldMutex> Win32InstanceLock::TryCreate(const std::wstring& name) {
  auto held = Acquire(name);
  return held ? std::move(held).value() : nullptr;
}

support::Result<std::unique_ptr<HeldMutex>> Win32InstanceLock::Acquire(const std::wstring& name) {
  win32::UniqueHandle handle(::CreateMutexW(nullptr, FALSE, name.c_str()));
  // Read at once: the next call may overwrite it.
  const DWORD error = ::GetLastError();
  if (!handle) return win32::FromWin32(error, L"CreateMutexW " + name);
  if (error == ERROR_ALREADY_EXISTS) {
    return support::Fail(support::ErrorCode::kAlreadyExists, name, ERROR_ALREADY_EXISTS);
  }
  return std::unique_ptr<HeldMutex>(std::make_unique<Win32HeldMutex>(std::move(handle)));
}

}  // namespace platform
