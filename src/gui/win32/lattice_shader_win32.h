// The lattice shader's run-time compile. The HLSL compiler is bound from System32 when it is
// first needed, so a machine without it still starts and only the Lattice panel is lost.
#pragma once

#include <string>

namespace gui::win32 {

struct LatticeShaderCode {
  std::string vertex;  // vs_4_0 bytecode of entry point "vs"
  std::string pixel;   // ps_4_0 bytecode of entry point "ps"
};

// Compiles the shader text kept in the executable at optimisation level 3, once per variant
// for the whole process (any thread). `wineCompatible` defines VELTRANE_WINE_HLSL and is for
// tests only. False with `error` set when
// d3dcompiler_47.dll or its D3DCompile export is missing or the text does not compile; a
// compile error also goes to the debugger output.
bool CompileLatticeShader(bool wineCompatible, LatticeShaderCode& code, std::string& error);

}  // namespace gui::win32
