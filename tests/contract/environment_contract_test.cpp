// Environment: the same assertions against the sim and the Win32 adapter.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "contract/contract_system.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace {

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(EnvironmentContract, MissingVariableIsNullopt) {
  auto& env = contract::ContractSystem().environment;
  EXPECT_FALSE(env.Variable(L"VELTRANE_CONTRACT_SURELY_UNSET").has_value());
}

TEST(EnvironmentContract, VariableNamesIgnoreCase) {
  auto& env = contract::ContractSystem().environment;
  const auto data = env.Variable(L"ProgramData");
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(env.Variable(L"PROGRAMDATA"), data);
  EXPECT_EQ(env.Variable(L"programdata"), data);
  EXPECT_TRUE(contract::ContractSystem().files.IsDirectory(*data));
}

TEST(EnvironmentContract, WellKnownFoldersAreWindowsPaths) {
  auto& sys = contract::ContractSystem();
  const std::wstring system_dir = sys.environment.SystemDirectory();
  EXPECT_TRUE(EndsWith(Lower(system_dir), L"\\windows\\system32"));
  const std::wstring temp = sys.environment.TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_TRUE(sys.files.IsDirectory(temp));
  const std::wstring exe = sys.environment.ExecutablePath();
  ASSERT_GT(exe.size(), 3u);
  EXPECT_EQ(exe.substr(1, 2), L":\\");
  EXPECT_TRUE(EndsWith(Lower(exe), L".exe"));
  // The long form: no short (8.3) component, so it compares equal to the install path.
  EXPECT_EQ(exe.find(L'~'), std::wstring::npos) << exe;
}

// The machine's folders come from Windows, not from the variables the user can change.
TEST(EnvironmentContract, KnownFoldersAreTheMachinesWhateverTheVariablesSay) {
  auto& sys = contract::ContractSystem();
  const auto data = sys.environment.Variable(L"ProgramData");
  for (const auto folder :
       {platform::KnownFolder::kProgramData, platform::KnownFolder::kProgramFiles,
        platform::KnownFolder::kProgramFilesX86}) {
    const auto path = sys.environment.KnownFolderPath(folder);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->substr(1, 2), L":\\");
    EXPECT_TRUE(sys.files.IsDirectory(*path));
  }
  EXPECT_EQ(Lower(*sys.environment.KnownFolderPath(platform::KnownFolder::kProgramData)),
            Lower(data.value_or(L"")));
}

}  // namespace

// Another copy of the same file is told apart by its process id, which stays put.
TEST(EnvironmentContract, CurrentProcessIdIsStable) {
  auto& sys = contract::ContractSystem();
  const std::uint32_t id = sys.environment.CurrentProcessId();
  EXPECT_NE(id, 0u);
  EXPECT_EQ(sys.environment.CurrentProcessId(), id);
}
