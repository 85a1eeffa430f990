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
       L"C:\\Program Files (x86)\\MSI Afterburner",  // its subfolder does not exist yet
       L"D:\\Games\\MSIAfterburner.exe"},
      {"chosen folder already named so",
       true,
       L"",
       L"D:\\Tools\\msi afterburner",
       {L"D:\\Tools\\msi afterburner\\readme.txt"},
       L"D:\\Tools\\msi afterburner",
       L""},
      {"a chosen folder every user may change is passed over",
       true,
       L"",
       L"E:\\Games",
       {L"E:\\Games\\MSIAfterburner.exe", L"E:\\Games\\MSI Afterburner\\x.txt", kDefaultExe},
       L"C:\\Program Files (x86)\\MSI Afterburner",
       kDefaultExe},
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
    // D: is a volume only administrators may change; E: lets every user write, as a
    // freshly formatted one does.
    machine.files.SetFolderTrust(L"D:\\", {false, true, false});
    EXPECT_EQ(AfterburnerFolder(), c.folder);
    EXPECT_EQ(FindAfterburner(), c.found);
  }
}

// A program that others may replace never gets a logon task with the highest rights, and
// the sentence says which file and why.
TEST(AfterburnerPathsTest, OnlyWhatAdministratorsAloneMayReplaceRunsElevated) {
  platform::SimMachine machine;
  const platform::ScopedSystem guard(machine.system());
  machine.files.Seed(kDefaultExe, "MZ");
  machine.files.Seed(L"E:\\Games\\MSIAfterburner.exe", "MZ");
  machine.files.SetFolderTrust(L"D:\\", {false, true, false});
  machine.files.Seed(L"D:\\Games\\MSIAfterburner.exe", "MZ");
  machine.files.SetFolderTrust(L"D:\\Games\\MSIAfterburner.exe", {false, false, false});
  EXPECT_EQ(UnsafeToRunElevated(kDefaultExe), L"");
  EXPECT_EQ(UnsafeToRunElevated(L"E:\\Games\\MSIAfterburner.exe"),
            L"E:\\Games lets other users change it, so it is not run with administrator rights.");
  EXPECT_EQ(UnsafeToRunElevated(L"D:\\Games\\MSIAfterburner.exe"),
            L"D:\\Games\\MSIAfterburner.exe belongs to another user, so it is not run with "
            L"administrator rights.");
}

}  // namespace
