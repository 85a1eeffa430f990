// The logon task as Task Scheduler reads it, and how it is registered.
#include "afterburner/logon_task.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"

namespace {

const std::wstring kGolden =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    L"<Task version=\"1.3\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    L"  <RegistrationInfo>\r\n"
    L"    <Description>Veltrane starts this program at logon and applies the saved overclock."
    L"</Description>\r\n"
    L"  </RegistrationInfo>\r\n"
    L"  <Triggers>\r\n"
    L"    <LogonTrigger>\r\n"
    L"      <Enabled>true</Enabled>\r\n"
    L"      <UserId>PC\\Tom &amp; Jerry</UserId>\r\n"
    L"      <Delay>PT15S</Delay>\r\n"
    L"    </LogonTrigger>\r\n"
    L"  </Triggers>\r\n"
    L"  <Principals>\r\n"
    L"    <Principal>\r\n"
    L"      <UserId>PC\\Tom &amp; Jerry</UserId>\r\n"
    L"      <LogonType>InteractiveToken</LogonType>\r\n"
    L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
    L"    </Principal>\r\n"
    L"  </Principals>\r\n"
    L"  <Settings>\r\n"
    L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
    L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
    L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
    L"    <AllowHardTerminate>false</AllowHardTerminate>\r\n"
    L"    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
    L"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
    L"    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
    L"    <Enabled>true</Enabled>\r\n"
    L"    <Hidden>false</Hidden>\r\n"
    L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
    L"    <Priority>6</Priority>\r\n"
    L"  </Settings>\r\n"
    L"  <Actions>\r\n"
    L"    <Exec>\r\n"
    L"      <Command>D:\\&lt;AB&gt;\\MSIAfterburner.exe</Command>\r\n"
    L"      <Arguments>-profile1</Arguments>\r\n"
    L"      <WorkingDirectory>D:\\&lt;AB&gt;</WorkingDirectory>\r\n"
    L"    </Exec>\r\n"
    L"  </Actions>\r\n"
    L"</Task>\r\n";

TEST(LogonTaskXmlTest, CrLfAndEscapedValues) {
  EXPECT_EQ(LogonTaskXml(L"PC\\Tom & Jerry", L"D:\\<AB>\\MSIAfterburner.exe", L"-profile1"),
            kGolden);
  // Without arguments there is no Arguments element at all; a quote is escaped too.
  const std::wstring bare = LogonTaskXml(L"PC\\\"x\"", L"C:\\R\\RTSS.exe", L"");
  EXPECT_EQ(bare.find(L"<Arguments>"), std::wstring::npos);
  EXPECT_NE(bare.find(L"<UserId>PC\\&quot;x&quot;</UserId>"), std::wstring::npos);
}

class CreateLogonTaskTest : public SimMachineTest {};

// Registered from the text: no definition file is written anywhere for another program
// to swap before Task Scheduler reads it.
TEST_F(CreateLogonTaskTest, RegistersTheTextWithoutAFile) {
  machine_.account.SetUser(L"PC\\Tom & Jerry");
  EXPECT_TRUE(
      CreateLogonTask(L"Veltrane Afterburner", L"D:\\<AB>\\MSIAfterburner.exe", L"-profile1"));
  EXPECT_EQ(machine_.task_scheduler.Xml(L"Veltrane Afterburner"), kGolden);
  EXPECT_EQ(machine_.task_scheduler.RunAs(L"Veltrane Afterburner"),
            platform::TaskRunAs::kLoggedOnUser);
  EXPECT_TRUE(machine_.files.List(L"C:\\ProgramData\\Veltrane", L"*.xml").empty());
  EXPECT_TRUE(machine_.processes.runs().empty());
  DeleteLogonTask(L"Veltrane Afterburner");
  DeleteLogonTask(L"MSIAfterburner");  // missing: nothing to say
  EXPECT_FALSE(machine_.task_scheduler.Exists(L"Veltrane Afterburner").value());
}

TEST_F(CreateLogonTaskTest, FailsWithoutAUserOrWhenRefused) {
  // An administrator's task of that name cannot be replaced without elevation.
  machine_.task_scheduler.Seed(L"Veltrane RivaTuner", L"old");
  machine_.environment.SetElevated(false);
  EXPECT_FALSE(CreateLogonTask(L"Veltrane RivaTuner", L"C:\\R\\RTSS.exe", L""));
  EXPECT_EQ(machine_.task_scheduler.Xml(L"Veltrane RivaTuner"), L"old");
  machine_.environment.SetElevated(true);
  machine_.account.FailLookup(true);
  EXPECT_FALSE(CreateLogonTask(L"Veltrane Afterburner", L"C:\\R\\RTSS.exe", L""));
  EXPECT_FALSE(machine_.task_scheduler.Exists(L"Veltrane Afterburner").value());
}

}  // namespace
