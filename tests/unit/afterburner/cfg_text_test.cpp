// Afterburner's settings file belongs to Afterburner and may be hand-edited: only the
// ten keys of [Settings] change, every other byte stays, and the write is all or nothing.
#include "afterburner/cfg_text.h"

#include <gtest/gtest.h>

#include "afterburner/profile_file.h"
#include "unit/app/sim_fixture.h"

namespace {

TEST(SetCfgValueTest, EditsOnlyTheExactKeyInsideSettings) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case kCases[] = {
      {"replaces the value, keeps CR LF", "[Settings]\r\nStartMinimized=0\r\nA=1\r\n",
       "[Settings]\r\nStartMinimized = 1\r\nA=1\r\n"},
      {"LF file stays LF", "[Settings]\nStartMinimized = 0\nA=1\n",
       "[Settings]\nStartMinimized = 1\nA=1\n"},
      {"a longer key is another key", "[Settings]\r\nStartMinimizedX=7\r\n",
       "[Settings]\r\nStartMinimized = 1\r\nStartMinimizedX=7\r\n"},
      {"the key in an earlier section is left",
       "[Other]\r\nStartMinimized=0\r\n[Settings]\r\nB=2\r\n",
       "[Other]\r\nStartMinimized=0\r\n[Settings]\r\nStartMinimized = 1\r\nB=2\r\n"},
      {"no Settings section: added at the end", "; comment\r\n[Other]\r\nX=1",
       "; comment\r\n[Other]\r\nX=1\r\n[Settings]\r\nStartMinimized = 1\r\n"},
      {"a new key in an LF file is inserted with LF", "[Settings]\nA=1\n",
       "[Settings]\nStartMinimized = 1\nA=1\n"},
      {"no Settings section in an LF file: added with LF", "[Other]\nX=1\n",
       "[Other]\nX=1\n[Settings]\nStartMinimized = 1\n"},
      {"empty file", "", "[Settings]\r\nStartMinimized = 1\r\n"},
      {"header on the last line without an ending", "[Settings]",
       "[Settings]\r\nStartMinimized = 1\r\n"},
      {"blanks before '=' still the key; comments and bytes kept",
       "[Settings]\r\n; keep \xC3\xA9\r\nStartMinimized \t= 0\r\n",
       "[Settings]\r\n; keep \xC3\xA9\r\nStartMinimized = 1\r\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SetCfgValue(c.text, "StartMinimized", "1"), c.expected);
  }
}

class SetAfterburnerConfigTest : public SimMachineTest {
 protected:
  const std::wstring exe_ = L"C:\\Program Files (x86)\\MSI Afterburner\\MSIAfterburner.exe";
  const std::wstring cfg_ = L"C:\\Program Files (x86)\\MSI Afterburner\\MSIAfterburner.cfg";
};

// Afterburner's settings and profile files are read with the data files' 4 MiB cap: a
// larger one is left as it is, never parsed or rewritten.
TEST_F(SetAfterburnerConfigTest, FilesAboveTheCapAreLeftAlone) {
  const std::wstring profile = L"C:\\Program Files (x86)\\MSI Afterburner\\Profiles\\VEN_10DE.cfg";
  const std::string huge = "[Startup]\r\nVFCurve=NEW\r\n" + std::string((4u << 20) + 1, ';');
  machine_.files.Seed(exe_, "MZ");
  machine_.files.Seed(cfg_, huge);
  machine_.files.Seed(profile, huge);
  EXPECT_FALSE(SetAfterburnerConfig(exe_));
  EXPECT_EQ(SaveScannedProfile(profile, "[Startup]\r\nVFCurve=OLD\r\n"), std::nullopt);
  EXPECT_EQ(machine_.files.FileSize(cfg_).value_or(0), huge.size());
  EXPECT_EQ(machine_.files.FileSize(profile).value_or(0), huge.size());
}

TEST_F(SetAfterburnerConfigTest, WritesTheTenKeysAndNothingElse) {
  machine_.files.Seed(exe_, "MZ");
  machine_.files.Seed(
      cfg_,
      "[Source]\r\nStartMinimized=0\r\n[Settings]\r\nSkin=\xC3\xBC.usf\r\n"
      "StartWithWindows=1\r\nEnableServer=0\r\nFirstRun=1\r\n[ATIADLHAL]\r\nX=1\r\n");
  ASSERT_TRUE(SetAfterburnerConfig(exe_));
  EXPECT_EQ(machine_.files.ReadAll(cfg_).value(),
            "[Source]\r\nStartMinimized=0\r\n[Settings]\r\n"
            "UnlockVoltageMonitoring = 1\r\nUnlockVoltageControl = 1\r\nStartupDelay = 0\r\n"
            "StartupViaTaskScheduler = 0\r\nRestoreAfterSuspendedMode = 1\r\n"
            "RememberSettings = 1\r\nStartMinimized = 1\r\n"
            "Skin=\xC3\xBC.usf\r\nStartWithWindows = 0\r\nEnableServer = 1\r\nFirstRun = 0\r\n"
            "[ATIADLHAL]\r\nX=1\r\n");
  EXPECT_FALSE(machine_.files.Exists(cfg_ + L".tmp"));
}

TEST_F(SetAfterburnerConfigTest, MissingOrUnwritableFileIsReportedAndLeftWhole) {
  machine_.files.Seed(exe_, "MZ");
  EXPECT_FALSE(SetAfterburnerConfig(exe_));
  EXPECT_FALSE(machine_.files.Exists(cfg_));
  const std::string original = "[Settings]\r\nFirstRun=1\r\n";
  machine_.files.Seed(cfg_, original);
  machine_.files.FailNext(platform::FileOp::kMove, support::ErrorCode::kAccessDenied);
  EXPECT_FALSE(SetAfterburnerConfig(exe_));
  EXPECT_EQ(machine_.files.ReadAll(cfg_).value(), original);
  EXPECT_FALSE(machine_.files.Exists(cfg_ + L".tmp"));
}

}  // namespace
