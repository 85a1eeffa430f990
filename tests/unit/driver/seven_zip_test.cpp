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
  // Run twice (the failing and the good installer), never the refused one.
  const std::vector<std::wstring> runs(
      2, L"\"C:\\ProgramData\\Veltrane\\drivers\\7z2605-x64.exe\" /S");
  EXPECT_EQ(tools_.calls[L"7z-installer"], runs);
  EXPECT_EQ(feed_.lines.back(), L"7-Zip is installed.");
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

TEST_F(SevenZipTest, DriverFolderTakesOnlyAnAbsoluteChoice) {
  struct Case {
    const char* name;
    std::optional<std::wstring> choice;
    const wchar_t* folder;
  };
  const Case kCases[] = {
      {"default", std::nullopt, L"C:\\ProgramData\\Veltrane\\drivers"},
      {"drive folder", L"D:\\Drivers\\", L"D:\\Drivers"},
      {"relative", L"Drivers", L"C:\\ProgramData\\Veltrane\\drivers"},
      {"drive-relative", L"D:Drivers", L"C:\\ProgramData\\Veltrane\\drivers"},
      {"network share", L"\\\\server\\share", L"C:\\ProgramData\\Veltrane\\drivers"},
      {"quote", L"D:\\a\"b", L"C:\\ProgramData\\Veltrane\\drivers"},
      {"climbs out", L"D:\\a\\..\\Windows", L"C:\\ProgramData\\Veltrane\\drivers"},
      {"201 characters", L"D:\\" + std::wstring(198, L'a'), L"C:\\ProgramData\\Veltrane\\drivers"},
  };
  const platform::RegPath dir{platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor",
                              L"DriverDir"};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.choice) machine_.registry.Seed(dir, *c.choice);
    EXPECT_EQ(DriverFolder(), c.folder);
  }
  machine_.environment.UnsetVariable(L"ProgramData");
  (void)machine_.registry.DeleteValue(dir);
  EXPECT_EQ(DriverFolder(), L"C:\\ProgramData\\Veltrane\\drivers");
}

}  // namespace
