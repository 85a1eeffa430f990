// Where Afterburner is looked for: its own folder, the one the user chose, and never one
// the user's variables name in an elevated process, since what is found there runs
// elevated.
#include "afterburner/afterburner_paths.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_machine.h"

namespace {

constexpr wchar_t kDefaultExe[] = L"C:\\Program Files (x86)\\MSI Afterburner\\MSIAfterburner.exe";
constexpr wchar_t kUserFolder[] = L"C:\\Users\\Player\\Apps";

TEST(AfterburnerPathsTest, FolderAndExecutableFollowThePathRules) {
  struct Case {
    const char* name;
    bool elevated;
    const wchar_t* x86_variable;  // ProgramFiles(x86); empty leaves the machine's
    const wchar_t* chosen;        // AfterburnerDir; nullptr when not set
    std::vector<std::wstring> seeded;
    const wchar_t* folder;
    const wchar_t* found;
  };
  const Case cases[] = {
      {"nothing installed",
       true,
       L"",
       nullptr,
       {},
       L"C:\\Program Files (x86)\\MSI Afterburner",
       L""},
      {"its own folder",
       true,
       L"",
       nullptr,
       {kDefaultExe},
       L"C:\\Program Files (x86)\\MSI Afterburner",
       kDefaultExe},
      {"elevated ignores the variable",
       true,
       kUserFolder,
       nullptr,
       {L"C:\\Users\\Player\\Apps\\MSI Afterburner\\MSIAfterburner.exe"},
       L"C:\\Program Files (x86)\\MSI Afterburner",
       L""},
      {"unelevated reads the variable",
       false,
       kUserFolder,
       nullptr,
       {L"C:\\Users\\Player\\Apps\\MSI Afterburner\\MSIAfterburner.exe"},
       L"C:\\Users\\Player\\Apps\\MSI Afterburner",
       L"C:\\Users\\Player\\Apps\\MSI Afterburner\\MSIAfterburner.exe"},
      {"chosen folder holds the exe",
       true,
       L"",
       L"D:\\Games\\",
       {L"D:\\Games\\MSIAfterburner.exe", kDefaultExe},
       L"D:\\Games\\MSI Afterburner",
       L"D:\\Games\\MSIAfterburner.exe"},
      {"chosen folder already named so",
       true,
       L"",
       L"D:\\Tools\\msi afterburner",
       {},
       L"D:\\Tools\\msi afterburner",
       L""},
      {"chosen folder with a quote is ignored",
       true,
       L"",
       L"D:\\Games\" /x",
       {kDefaultExe},
       L"C:\\Program Files (x86)\\MSI Afterburner",
       kDefaultExe},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    const platform::ScopedSystem guard(machine.system());
    machine.environment.SetElevated(c.elevated);
    if (*c.x86_variable != L'\0')
      machine.environment.SetVariable(L"ProgramFiles(x86)", c.x86_variable);
    if (c.chosen != nullptr) {
      machine.registry.Seed(
          {platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", L"AfterburnerDir"},
          std::wstring(c.chosen));
    }
    for (const std::wstring& path : c.seeded) machine.files.Seed(path, "MZ");
    EXPECT_EQ(AfterburnerFolder(), c.folder);
    EXPECT_EQ(FindAfterburner(), c.found);
  }
}

}  // namespace
