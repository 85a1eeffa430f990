#include "gui/win32/lattice_shader_win32.h"

#include <d3dcompiler.h>
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <optional>

#include "lattice_shader_text.h"
#include "platform/win32/dll_export.h"

namespace gui::win32 {

namespace {

using D3DCompileFn = HRESULT(WINAPI*)(LPCVOID, SIZE_T, LPCSTR, const D3D_SHADER_MACRO*,
                                      ID3DInclude*, LPCSTR, LPCSTR, UINT, UINT, ID3DBlob**,
                                      ID3DBlob**);

std::string BlobText(ID3DBlob* blob) {
  if (blob == nullptr) return {};
  std::string text(static_cast<const char*>(blob->GetBufferPointer()), blob->GetBufferSize());
  blob->Release();
  return text;
}

// The compiler is not on the loader's search path on every image, and a copy beside the
// executable must never be the one loaded into an elevated process.
D3DCompileFn BindCompiler() {
  static const D3DCompileFn compile = platform::win32::BindExport<D3DCompileFn>(
      ::LoadLibraryExW(L"d3dcompiler_47.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "D3DCompile");
  return compile;
}

bool CompileEntry(D3DCompileFn compile, const D3D_SHADER_MACRO* macros, const char* entry,
                  const char* profile, std::string& code, std::string& error) {
  ID3DBlob* bytecode = nullptr;
  ID3DBlob* messages = nullptr;
  const HRESULT hr =
      compile(kLatticeShaderText, sizeof(kLatticeShaderText) - 1, "lattice.hlsl", macros, nullptr,
              entry, profile, D3DCOMPILE_OPTIMIZATION_LEVEL3, 0, &bytecode, &messages);
  const std::string text = BlobText(messages);
  if (FAILED(hr) || bytecode == nullptr) {
    char head[96];
    std::snprintf(head, sizeof(head), "D3DCompile %s failed (0x%08lX): ", entry,
                  static_cast<unsigned long>(hr));
    error = head + text;
    ::OutputDebugStringA(error.c_str());
    if (bytecode != nullptr) bytecode->Release();
    return false;
  }
  code = BlobText(bytecode);
  return true;
}

}  // namespace

bool CompileLatticeShader(bool wineCompatible, LatticeShaderCode& code, std::string& error) {
  // The text never changes while the program runs, and Wine's compiler takes about half a
  // minute over the compatibility variant's spelled-out walk: each variant compiles once.
  static std::mutex mutex;
  static std::optional<LatticeShaderCode> compiled[2];
  const std::lock_guard lock(mutex);
  std::optional<LatticeShaderCode>& cached = compiled[wineCompatible ? 1 : 0];
  if (!cached) {
    const D3DCompileFn compile = BindCompiler();
    if (compile == nullptr) {
      error = "d3dcompiler_47.dll with D3DCompile was not found in System32.";
      return false;
    }
    const D3D_SHADER_MACRO wine[] = {{"VELTRANE_WINE_HLSL", "1"}, {nullptr, nullptr}};
    const D3D_SHADER_MACRO* macros = wineCompatible ? wine : nullptr;
    LatticeShaderCode fresh;
    if (!CompileEntry(compile, macros, "vs", "vs_4_0", fresh.vertex, error) ||
        !CompileEntry(compile, macros, "ps", "ps_4_0", fresh.pixel, error)) {
      return false;
    }
    cached = std::move(fresh);
  }
  code = *cached;
  return true;
}

}  // namespace gui::win32
