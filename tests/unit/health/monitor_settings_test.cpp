// The per-user settings: defaults, load and save rules for hostile values, the sign-in
// entry and which copy it starts.
#include "health/monitor_settings.h"

#include <gtest/gtest.h>

#include "health/login_entry.h"
#include "unit/app/sim_fixture.h"

namespace {

using platform::Hive;

class MonitorSettingsTest : public SimMachineTest {
 protected:
  platform::RegPath Value(const std::wstring& name) {
    return {Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", name};
  }
  std::optional<std::uint32_t> Dword(const std::wstring& name) {
    auto v = machine_.registry.ReadDword(Value(name));
    if (!v) return std::nullopt;
    return *v;
  }
  std::optional<std::wstring> RunEntry() {
    auto v = machine_.registry.ReadString(
        {Hive::kCurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Veltrane"});
    if (!v) return std::nullopt;
    return *v;
  }
};

TEST_F(MonitorSettingsTest, FreshProfileLoadsTheDefaults) {
  const MonitorSettings s = LoadMonitorSettings();
  EXPECT_TRUE(s.launchAtLogin && s.closeToTray && s.startMinimized && s.notify);
  EXPECT_FALSE(s.maintainTiming || s.paused || s.trayPrompted || s.startupAsked || s.maintainAsked);
  EXPECT_EQ(s.scanHours, 6);
  EXPECT_EQ(s.maintainMinutes, 1);
  EXPECT_EQ(s.updateMinutes, 1);
  EXPECT_EQ(s.notifyMinutes, 30);
  EXPECT_TRUE(s.driverDir.empty() && s.afterburnerDir.empty());
}

TEST_F(MonitorSettingsTest, LoadUsesOnlyValuesInRange) {
  struct Case {
    const wchar_t* name;
    std::uint32_t stored;
    int MonitorSettings::*field;
    int loaded;
  };
  const Case kCases[] = {
      {L"ScanHours", 200, &MonitorSettings::scanHours, 6},
      {L"ScanHours", 168, &MonitorSettings::scanHours, 168},
      {L"ScanHours", 0, &MonitorSettings::scanHours, 6},
      {L"MaintainMinutes", 181, &MonitorSettings::maintainMinutes, 1},
      {L"MaintainMinutes", 180, &MonitorSettings::maintainMinutes, 180},
      {L"UpdateMinutes", 1440, &MonitorSettings::updateMinutes, 1440},
      {L"NotifyMinutes", 0xFFFFFFFF, &MonitorSettings::notifyMinutes, 30},
      {L"NotifyMinutes", 1, &MonitorSettings::notifyMinutes, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << support::ToUtf8(c.name) << " " << c.stored);
    machine_.registry.Seed(Value(c.name), c.stored);
    EXPECT_EQ(LoadMonitorSettings().*c.field, c.loaded);
  }
}

TEST_F(MonitorSettingsTest, SaveClampsAndRefusesBadFolders) {
  MonitorSettings s;
  s.scanHours = 200;
  s.maintainMinutes = 0;
  s.updateMinutes = 99999;
  s.notifyMinutes = 5000;
  s.paused = true;
  machine_.registry.Seed(Value(L"DriverDir"), std::wstring(L"D:\\old"));
  s.driverDir = L"D:\\Drivers\" --evil";
  s.afterburnerDir = L"D:\\Tools\\Afterburner";
  SaveMonitorSettings(s);
  EXPECT_EQ(Dword(L"ScanHours"), 200u);  // written as it stands; loads back as 6
  EXPECT_EQ(Dword(L"MaintainMinutes"), 1u);
  EXPECT_EQ(Dword(L"UpdateMinutes"), 1440u);
  EXPECT_EQ(Dword(L"NotifyMinutes"), 1440u);
  EXPECT_EQ(Dword(L"Paused"), 1u);
  EXPECT_EQ(Dword(L"CloseToTray"), 1u);
  EXPECT_FALSE(machine_.registry.ReadString(Value(L"DriverDir")).ok());
  EXPECT_EQ(machine_.registry.ReadString(Value(L"AfterburnerDir")).value_or(L""),
            L"D:\\Tools\\Afterburner");
  s.scanHours = -3;
  SaveMonitorSettings(s);
  EXPECT_EQ(Dword(L"ScanHours"), 6u);
}

TEST_F(MonitorSettingsTest, FolderValues) {
  struct Case {
    std::wstring folder;
    bool kept;
  };
  const Case kCases[] = {
      {L"D:\\Drivers", true},
      {L"c:\\x", true},
      {L"D:\\" + std::wstring(197, L'a'), true},  // 200 characters
      {L"D:\\" + std::wstring(198, L'a'), false},
      {L"", false},
      {L"Drivers", false},
      {L"..\\Drivers", false},
      {L"\\\\server\\share", false},
      {L"D:\\a\"b", false},
      {L"D:\\a\nb", false},
      {L"1:\\x", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(support::ToUtf8(c.folder));
    EXPECT_EQ(IsAcceptableFolderValue(c.folder), c.kept);
    machine_.registry.Seed(Value(L"DriverDir"), c.folder);
    EXPECT_EQ(LoadMonitorSettings().driverDir, c.kept ? c.folder : L"");
  }
}

TEST_F(MonitorSettingsTest, StepChoicesAndChecks) {
  EXPECT_TRUE(IsStepWanted(L"cpu"));
  std::array<bool, 9> wants{};
  wants.fill(true);
  wants[3] = false;  // cpu
  SaveStepChoices(wants);
  EXPECT_EQ(Dword(L"Want_cpu"), 0u);
  EXPECT_EQ(Dword(L"Want_storage"), 1u);
  EXPECT_EQ(LoadStepChoices(), wants);
  EXPECT_FALSE(IsStepWanted(L"cpu"));
  machine_.registry.Seed(Value(L"Disabled_timer.global"), 7u);
  EXPECT_TRUE(IsCheckDisabled(L"timer.global"));
  EXPECT_FALSE(IsCheckDisabled(L"timer.service"));
  SetDriftCount(L"a", 2);
  EXPECT_EQ(ReadDriftCount(L"a"), 2u);
  SetDriftCount(L"a", 0);
  EXPECT_EQ(Dword(L"Drift_a"), std::nullopt);
}

TEST_F(MonitorSettingsTest, SignInEntryStartsThePreferredCopy) {
  using platform::FileVersion;
  using platform::SimFiles;
  const std::wstring installed = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
  const std::wstring running = machine_.environment.ExecutablePath();
  struct Case {
    const char* name;
    std::optional<FileVersion> installedVersion;  // nullopt: no installed copy
    bool installedHasVersion;
    std::optional<FileVersion> runningVersion;
    bool picksRunning;
  };
  const Case kCases[] = {
      {"newer download runs", FileVersion{2, 10, 1, 0}, true, FileVersion{2, 11, 0, 0}, true},
      {"equal versions", FileVersion{2, 10, 1, 0}, true, FileVersion{2, 10, 1, 0}, false},
      {"older download runs", FileVersion{2, 10, 1, 0}, true, FileVersion{2, 9, 9, 9}, false},
      {"revision decides", FileVersion{2, 10, 1, 0}, true, FileVersion{2, 10, 1, 1}, true},
      {"running copy without version", FileVersion{2, 10, 1, 0}, true, std::nullopt, false},
      {"installed copy without version", FileVersion{}, false, FileVersion{1, 0, 0, 0}, true},
      {"nothing installed", std::nullopt, false, FileVersion{1, 0, 0, 0}, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    (void)machine_.files.Delete(installed);
    if (c.installedVersion) {
      machine_.files.Seed(installed, c.installedHasVersion
                                         ? SimFiles::VersionedBytes(*c.installedVersion)
                                         : std::string("MZ"));
    }
    machine_.files.Seed(running, c.runningVersion ? SimFiles::VersionedBytes(*c.runningVersion)
                                                  : std::string("MZ"));
    EXPECT_EQ(PreferredExecutablePath(), c.picksRunning ? running : installed);
    UpdateLoginEntry(true);
    EXPECT_EQ(RunEntry(), L"\"" + (c.picksRunning ? running : installed) + L"\"");
  }
  MonitorSettings off;
  off.launchAtLogin = false;
  SaveMonitorSettings(off);
  EXPECT_EQ(RunEntry(), std::nullopt);
}

}  // namespace
