// A System32 DLL that is not one of Windows' KnownDLLs, bound at run time.
#pragma once

#include <windows.h>

#include "platform/win32/dll_export.h"

namespace platform::win32 {

// The exe imports no such DLL: static imports are resolved from the exe's own folder
// (often Downloads) before any code runs, so a planted copy there would load first and
// run elevated. Loaded from System32 only and kept for the life of the process.
class SystemModule {
 public:
  explicit SystemModule(const wchar_t* name)
      : module_(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

  // The export `name` as `Fn`; null when the DLL or the export is missing, and then
  // complete() is false from here on.
  template <typename Fn>
  Fn Bind(const char* name) {
    const Fn function = BindExport<Fn>(module_, name);
    complete_ = complete_ && function != nullptr;
    return function;
  }
  bool complete() const { return complete_; }

 private:
  HMODULE module_;
  bool complete_ = true;
};

}  // namespace platform::win32

// The export of the same name, typed by its SDK declaration.
#define VELTRANE_BIND(module, function) (module).Bind<decltype(&::function)>(#function)
