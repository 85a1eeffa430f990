// The AMD index: the repository package unpacked with tar, and the address and checksum
// its install script names.
#include "driver/amd_index.h"

#include <gtest/gtest.h>

#include "platform/sim/tool_standins.h"
#include "unit/driver/driver_fixture.h"

namespace {

using platform::SimHttpResponse;

constexpr wchar_t kIndexUrl[] =
    L"https://community.chocolatey.org/api/v2/package/amd-software-adrenalin-edition";
constexpr char kChecksum[] = "3a7bd3e2360a3d29eea436fcfb7e44c735d117c42d1c1835420b6b9942dd4f1b";

class AmdIndexTest : public DriverTest {
 protected:
  void ServeScript(const std::string& script,
                   const wchar_t* name = L"tools\\chocolateyInstall.ps1") {
    machine_.network.Serve(kIndexUrl, SimHttpResponse::Ok(platform::sim_archive::Pack(
                                          {{L"amd.nuspec", "<package/>"}, {name, script}}, false)));
  }
};

TEST_F(AmdIndexTest, ScriptVariants) {
  struct Case {
    const char* name;
    std::string script;
    bool ok;
    const wchar_t* url;
    const wchar_t* version;
    const wchar_t* error;
  };
  const std::string checksum_upper =
      "3A7BD3E2360A3D29EEA436FCFB7E44C735D117C42D1C1835420B6B9942DD4F1B";
  const Case kCases[] = {
      {"url64 in double quotes",
       "$url64 = "
       "\"https://drivers.amd.com/drivers/"
       "whql-amd-software-adrenalin-edition-24.12.1-win10-win11.exe\"\n"
       "$checksum64 = '" +
           std::string(kChecksum) + "'\n",
       true,
       L"https://drivers.amd.com/drivers/"
       L"whql-amd-software-adrenalin-edition-24.12.1-win10-win11.exe",
       L"24.12.1", L""},
      {"url in single quotes, checksum in capitals",
       "url = 'https://drivers.amd.com/x/amd-software-adrenalin-edition-25.1.1-a.exe'\nchecksum64 "
       "= \"" +
           checksum_upper + "\"",
       true, L"https://drivers.amd.com/x/amd-software-adrenalin-edition-25.1.1-a.exe", L"25.1.1",
       L""},
      {"no version in the name",
       "url64='https://drivers.amd.com/a.exe' checksum64='" + std::string(kChecksum) + "'", true,
       L"https://drivers.amd.com/a.exe", L"", L""},
      {"no checksum", "url64='https://drivers.amd.com/a.exe'", false, L"", L"",
       L"The AMD index did not publish a checksum for the package."},
      {"short checksum", "url64='https://drivers.amd.com/a.exe' checksum64='abc'", false, L"", L"",
       L"The AMD index did not publish a checksum for the package."},
      {"another host",
       "url64='https://drivers.amd.com.evil.net/a.exe' checksum64='" + std::string(kChecksum) + "'",
       false, L"", L"", L"The AMD index did not point at an official package."},
      {"plain http",
       "url64='http://drivers.amd.com/a.exe' checksum64='" + std::string(kChecksum) + "'", false,
       L"", L"", L"The AMD index did not point at an official package."},
      {"no address", "Write-Host 'nothing'", false, L"", L"",
       L"The AMD driver index did not name a package."},
  };
  tools_.InstallTar();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ServeScript(c.script);
    std::wstring url, sha256, version, error;
    EXPECT_EQ(gui::LookupAmdIndex(url, sha256, version, error, nullptr), c.ok);
    EXPECT_EQ(url, c.url);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(error, c.error);
    if (c.ok) {
      EXPECT_EQ(sha256, std::wstring(kChecksum, kChecksum + 64));
    }
    // Neither the package nor its unpacked folder stays.
    EXPECT_FALSE(machine_.files.Exists(std::wstring(kDrivers) + L"\\amd-index.nupkg"));
    EXPECT_FALSE(machine_.files.Exists(std::wstring(kDrivers) + L"\\amd-index"));
  }
  // The repository was asked with browser headers.
  EXPECT_NE(machine_.network.log()[0].headers.find(L"Mozilla/5.0"), std::wstring::npos);
}

TEST_F(AmdIndexTest, IndexThatCannotBeRead) {
  struct Case {
    const char* name;
    bool tar_present;
    std::uint32_t tar_exit;
    bool served;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {"tar fails", true, 1, true, L"The AMD driver index could not be read."},
      {"tar missing", false, 0, true, L"The AMD driver index could not be read."},
      {"repository unreachable", true, 0, false, L"The vendor site did not answer (12007)."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.tar_present) tools_.InstallTar();
    if (!c.tar_present) machine_.processes.Unregister(L"C:\\Windows\\System32\\tar.exe");
    tools_.tar_exit = c.tar_exit;
    if (c.served) {
      ServeScript("url64='https://drivers.amd.com/a.exe' checksum64='" + std::string(kChecksum) +
                  "'");
    } else {
      machine_.network.Remove(kIndexUrl);
    }
    std::wstring url, sha256, version, error;
    EXPECT_FALSE(gui::LookupAmdIndex(url, sha256, version, error, nullptr));
    EXPECT_EQ(error, c.error);
    EXPECT_FALSE(machine_.files.Exists(std::wstring(kDrivers) + L"\\amd-index.nupkg"));
  }
}

}  // namespace
