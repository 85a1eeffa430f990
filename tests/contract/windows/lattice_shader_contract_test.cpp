// The lattice shader against the HLSL compiler the machine has. On Windows the shipped text
// compiles; Wine's compiler needs the test-only compatibility branch and refuses the shipped
// text with a message, which is what the Lattice panel then reports.
#include <gtest/gtest.h>
#include <windows.h>

#include "gui/win32/lattice_shader_win32.h"

namespace {

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(LatticeShaderContractTest, CompilesBothEntryPoints) {
  gui::win32::LatticeShaderCode code;
  std::string error;
  ASSERT_TRUE(gui::win32::CompileLatticeShader(UnderWine(), code, error)) << error;
  EXPECT_GT(code.vertex.size(), 100u);
  EXPECT_GT(code.pixel.size(), 1000u);
  // DXBC containers.
  EXPECT_EQ(code.vertex.substr(0, 4), "DXBC");
  EXPECT_EQ(code.pixel.substr(0, 4), "DXBC");
}

TEST(LatticeShaderContractTest, ShippedTextUnderWineFailsWithAMessage) {
  if (!UnderWine()) GTEST_SKIP() << "Windows' compiler builds the shipped text";
  gui::win32::LatticeShaderCode code;
  std::string error;
  EXPECT_FALSE(gui::win32::CompileLatticeShader(false, code, error));
  EXPECT_NE(error.find("D3DCompile vs failed"), std::string::npos) << error;
}

}  // namespace
