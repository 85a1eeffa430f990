// RAII owners for Win32 handles: wrap a handle the moment a call returns it, so no early
// return can leak it.
#pragma once

#include <windows.h>

#include <utility>

namespace platform::win32 {

// `Traits` gives the handle type, the value(s) meaning "none" and how to close it.
template <typename Traits>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;

  UniqueResource() = default;
  explicit UniqueResource(Handle handle) : handle_(handle) {}
  ~UniqueResource() { Reset(); }
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Handle Get() const { return handle_; }
  bool Valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return Valid(); }

  // For out-parameters: closes what is held and hands out the slot.
  Handle* Put() {
    Reset();
    return &handle_;
  }
  Handle Release() { return std::exchange(handle_, Traits::kNone); }
  void Reset(Handle handle = Traits::kNone) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::kNone;
};

// Kernel handles. CreateFileW returns INVALID_HANDLE_VALUE, most others nullptr: both
// mean "none".
struct KernelHandleTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueHkey = UniqueResource<RegistryKeyTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

}  // namespace platform::win32
