// Binds a DLL export to the function type its caller declares for it.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Null when the module or the export is missing. Through void*: GetProcAddress returns a
// FARPROC, and GCC warns on a direct cast between two function types.
template <typename Fn>
Fn BindExport(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace platform::win32
