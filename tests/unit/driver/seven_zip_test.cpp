// 7-Zip: found only where it installs itself, installed only from an installer with the
// pinned hash; and the driver folder the user may choose.
#include "driver/seven_zip.h"

#include <gtest/gtest.h>

#include "driver/driver_folder.h"
#include "unit/driver/driver_fixture.h"

namespace {

using platform::SimHttpResponse;

constexpr wchar_t kInstallerUrl[] = L"https://www.7-zip.org/a/7z2605-x64.exe";
constexpr wchar_t kInstaller[] = L"C:\\ProgramData\\Veltrane\\drivers\\7z2605-x64.exe";
// SHA-256 of "MZ installer" (worked out with sha256sum).
constexpr wchar_t kInstallerSha256[] =
    L"9bddb44627973bc5a5e0b20bf4a44cf2449f8b6ca1e8dfee0525b528ad80e020";

class SevenZipTest : public DriverTest {
 protected:
  void SetUp() override {
    machine_.network.Serve(kInstallerUrl, SimHttpResponse::Ok("MZ installer"));
    tools_.RegisterSevenZipInstaller();
  }
};

TEST_F(SevenZipTest, FoundWhereItInstallsItselfOnly) {
  EXPECT_EQ(FindSevenZip(), L"");
  machine_.environment.SetVariable(L"PATH", L"C:\\Users\\Player\\bin");
  machine_.files.Seed(L"C:\\Users\\Player\\bin\\7z.exe", "MZ planted");
  EXPECT_EQ(FindSevenZip(), L"");
  machine_.files.Seed(L"C:\\Program Files (x86)\\7-Zip\\7z.exe", "MZ");
  EXPECT_EQ(FindSevenZip(), L"C:\\Program Files (x86)\\7-Zip\\7z.exe");
  // What it finds runs elevated: there the user's variables do not choose the folder.
  machine_.environment.SetVariable(L"ProgramW6432", L"D:\\Apps");
  machine_.files.Seed(L"D:\\Apps\\7-Zip\\7z.exe", "MZ");
  EXPECT_EQ(FindSevenZip(), L"C:\\Program Files (x86)\\7-Zip\\7z.exe");
  machine_.environment.SetElevated(false);
  EXPECT_EQ(FindSevenZip(), L"D:\\Apps\\7-Zip\\7z.exe");
}

TEST_F(SevenZipTest, InstallerRunsOnlyWithThePinnedHash) {
  struct Case {
    const char* name;
    std::wstring pin;
    std::uint32_t exit_code;
    const wchar_t* path;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {"other bytes than pinned", std::wstring(64, L'0'), 0, L"",
       L"The 7-Zip installer could not be downloaded."},
      {"installer fails", kInstallerSha256, 2, L"", L"7-Zip did not install (2)."},
      {"installed", kInstallerSha256, 0, L"C:\\Program Files\\7-Zip\\7z.exe", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    tools_.seven_zip_installer_exit = c.exit_code;
    std::wstring error;
    EXPECT_EQ(gui::EnsureSevenZipPinned(&feed_, c.pin, error), c.path);
    EXPECT_EQ(error, c.error);
  }
  // Run twice (the failing and the good installer), never the refused one, each time from
  // a folder of its own that is gone afterwards.
  const auto& runs = tools_.calls[L"7z-installer"];
  ASSERT_EQ(runs.size(), 2u);
  for (const std::wstring& run : runs) {
    const std::wstring folder = RunFolderIn(run, L"7zip");
    ASSERT_NE(folder, L"");
    EXPECT_EQ(run, L"\"" + folder + L"\\7z2605-x64.exe\" /S");
  }
  EXPECT_NE(runs[0], runs[1]);
  EXPECT_EQ(RunFolders(L"7zip"), 0u);
  EXPECT_EQ(feed_.lines.back(), L"7-Zip is installed.");
}

// Held from the hash check until it has run, in a folder only administrators write in.
TEST_F(SevenZipTest, InstallerRunsHeldFromAFreshProtectedFolder) {
  RegisterProbe(L"7z2605-x64.exe", 0);
  std::wstring error;
  EXPECT_EQ(gui::EnsureSevenZipPinned(&feed_, kInstallerSha256, error), L"");
  EXPECT_EQ(error, L"7-Zip installed, but 7z.exe was not found.");
  EXPECT_EQ(untouchable_, std::vector<bool>{true});
}

// A Stop while the installer downloads: nothing runs and nothing is left.
TEST_F(SevenZipTest, AStopDuringTheDownloadRunsNothing) {
  struct StopAfterFirstLook : RecordingFeed {
    bool IsCancelled() override { return ++looks > 1; }
    int looks = 0;
  } feed;
  std::wstring error;
  EXPECT_EQ(gui::EnsureSevenZipPinned(&feed, kInstallerSha256, error), L"");
  EXPECT_EQ(error, L"Stopped.");
  EXPECT_TRUE(tools_.calls[L"7z-installer"].empty());
  EXPECT_EQ(RunFolders(L"7zip"), 0u);
}

TEST_F(SevenZipTest, WithoutAPinNothingIsDownloaded) {
  std::wstring error;
  EXPECT_EQ(gui::EnsureSevenZip(&feed_, error), L"");
  EXPECT_EQ(error, L"7-Zip is not installed. Install 7-Zip, then try again.");
  EXPECT_EQ(feed_.lines,
            std::vector<std::wstring>{L"7-Zip is not installed. Install 7-Zip, then try again."});
  EXPECT_TRUE(machine_.network.log().empty());
  EXPECT_FALSE(machine_.files.Exists(kInstaller));
}

// What is kept in the driver folder runs elevated: a chosen folder must be absolute and
// one that only administrators may change; the default never follows the environment.
TEST_F(SevenZipTest, DriverFolderTakesOnlyAnAbsoluteChoiceNobodyElseMayChange) {
  enum class Seeded { kNone, kSafe, kUsersMayWrite, kForeignOwner };
  struct Case {
    const char* name;
    std::optional<std::wstring> choice;
    Seeded seeded;
    const wchar_t* folder;
    const wchar_t* note;  // what EnsureDriverFolder says of the choice; nullptr: nothing
  };
  const wchar_t* kDefault = L"C:\\ProgramData\\Veltrane\\drivers";
  const Case kCases[] = {
      {"default", std::nullopt, Seeded::kNone, kDefault, nullptr},
      {"a safe drive folder", L"D:\\Drivers\\", Seeded::kSafe, L"D:\\Drivers", nullptr},
      {"a folder on a volume every user may change", L"D:\\Drivers", Seeded::kUsersMayWrite,
       kDefault,
       L"The driver folder D:\\Drivers lets other users change it; the default folder is used "
       L"instead."},
      {"another user's folder", L"D:\\Drivers", Seeded::kForeignOwner, kDefault,
       L"The driver folder D:\\Drivers belongs to another user; the default folder is used "
       L"instead."},
      {"a missing folder", L"D:\\Missing", Seeded::kNone, kDefault,
       L"The driver folder D:\\Missing does not exist; the default folder is used instead."},
      {"relative", L"Drivers", Seeded::kSafe, kDefault, nullptr},
      {"drive-relative", L"D:Drivers", Seeded::kSafe, kDefault, nullptr},
      {"network share", L"\\\\server\\share", Seeded::kSafe, kDefault, nullptr},
      {"quote", L"D:\\a\"b", Seeded::kSafe, kDefault, nullptr},
      {"climbs out", L"D:\\a\\..\\Windows", Seeded::kSafe, kDefault, nullptr},
      {"201 characters", L"D:\\" + std::wstring(198, L'a'), Seeded::kSafe, kDefault, nullptr},
  };
  const platform::RegPath dir{platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor",
                              L"DriverDir"};
  // An elevated run whose environment points ProgramData at the user's own folder.
  machine_.environment.SetVariable(L"ProgramData", L"C:\\Users\\Player\\pd");
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    (void)machine_.registry.DeleteValue(dir);
    if (c.choice) machine_.registry.Seed(dir, *c.choice);
    if (c.seeded != Seeded::kNone && c.choice && c.choice->starts_with(L"D:\\Drivers")) {
      machine_.files.SeedDirectory(L"D:\\Drivers");
      machine_.files.SetFolderTrust(L"D:\\Drivers", {false, c.seeded != Seeded::kForeignOwner,
                                                     c.seeded == Seeded::kUsersMayWrite});
    }
    EXPECT_EQ(DriverFolder(), c.folder);
    feed_.lines.clear();
    EXPECT_EQ(EnsureDriverFolder(), c.folder);
    if (c.note != nullptr) {
      EXPECT_EQ(feed_.lines, std::vector<std::wstring>{c.note});
    } else {
      EXPECT_TRUE(feed_.lines.empty());
    }
  }
  EXPECT_TRUE(machine_.files.IsProtected(kDefault));
  EXPECT_FALSE(machine_.files.Exists(L"C:\\Users\\Player\\pd"));
}

}  // namespace
