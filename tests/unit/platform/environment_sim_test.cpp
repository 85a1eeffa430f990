// The environment sim: the temp folder follows GetTempPathW's order of variables.
#include "platform/sim/environment_sim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(SimEnvironmentTest, TempFolderFollowsTheVariablesInWindowsOrder) {
  SimEnvironment env;
  env.SetVariable(L"tmp", L"D:\\Tmp");
  EXPECT_EQ(env.TempFolder(), L"D:\\Tmp\\");
  env.UnsetVariable(L"TMP");
  env.SetVariable(L"TEMP", L"E:\\Temp\\");
  EXPECT_EQ(env.TempFolder(), L"E:\\Temp\\");
  env.UnsetVariable(L"TEMP");
  EXPECT_EQ(env.TempFolder(), L"C:\\Users\\Player\\");
  env.UnsetVariable(L"USERPROFILE");
  EXPECT_EQ(env.TempFolder(), L"C:\\Windows\\");
}

TEST(SimEnvironmentTest, UnsetVariableIsGone) {
  SimEnvironment env;
  env.UnsetVariable(L"programdata");
  EXPECT_FALSE(env.Variable(L"ProgramData").has_value());
  EXPECT_EQ(env.Variable(L"SystemRoot"), L"C:\\Windows");
}

}  // namespace
}  // namespace platform
