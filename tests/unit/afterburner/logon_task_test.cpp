// The logon task as Task Scheduler reads it, and how it is registered.
#include "afterburner/logon_task.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"

namespace {

// The UTF-16LE bytes of ASCII text, for comparing with the file.
std::string Utf16(const std::string& ascii) {
  std::string out;
  for (const char c : ascii) out += std::string{c, '\0'};
  return out;
}

const std::string kGolden =
    "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    "<Task version=\"1.3\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    "  <RegistrationInfo>\r\n"
    "    <Description>Veltrane starts this program at logon and applies the saved overclock."
    "</Description>\r\n"
    "  </RegistrationInfo>\r\n"
    "  <Triggers>\r\n"
    "    <LogonTrigger>\r\n"
    "      <Enabled>true</Enabled>\r\n"
    "      <UserId>PC\\Tom &amp; Jerry</UserId>\r\n"
    "      <Delay>PT15S</Delay>\r\n"
    "    </LogonTrigger>\r\n"
    "  </Triggers>\r\n"
    "  <Principals>\r\n"
    "    <Principal>\r\n"
    "      <UserId>PC\\Tom &amp; Jerry</UserId>\r\n"
    "      <LogonType>InteractiveToken</LogonType>\r\n"
    "      <RunLevel>HighestAvailable</RunLevel>\r\n"
    "    </Principal>\r\n"
    "  </Principals>\r\n"
    "  <Settings>\r\n"
    "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
    "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
    "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
    "    <AllowHardTerminate>false</AllowHardTerminate>\r\n"
    "    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
    "    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
    "    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
    "    <Enabled>true</Enabled>\r\n"
    "    <Hidden>false</Hidden>\r\n"
    "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
    "    <Priority>6</Priority>\r\n"
    "  </Settings>\r\n"
    "  <Actions>\r\n"
    "    <Exec>\r\n"
    "      <Command>D:\\&lt;AB&gt;\\MSIAfterburner.exe</Command>\r\n"
    "      <Arguments>-profile1</Arguments>\r\n"
    "      <WorkingDirectory>D:\\&lt;AB&gt;</WorkingDirectory>\r\n"
    "    </Exec>\r\n"
    "  </Actions>\r\n"
    "</Task>\r\n";

TEST(LogonTaskXmlTest, Utf16WithBomCrLfAndEscapedValues) {
  const std::string xml =
      LogonTaskXml(L"PC\\Tom & Jerry", L"D:\\<AB>\\MSIAfterburner.exe", L"-profile1");
  EXPECT_EQ(xml, "\xFF\xFE" + Utf16(kGolden));
  // Without arguments there is no Arguments element at all; a quote is escaped too.
  const std::string bare = LogonTaskXml(L"PC\\\"x\"", L"C:\\R\\RTSS.exe", L"");
  EXPECT_EQ(bare.find(Utf16("<Arguments>")), std::string::npos);
  EXPECT_NE(bare.find(Utf16("<UserId>PC\\&quot;x&quot;</UserId>")), std::string::npos);
}

TEST(LogonTaskXmlTest, CharactersBeyondTheBasicPlaneBecomeSurrogatePairs) {
  const std::string xml =
      LogonTaskXml(std::wstring(L"PC\\") + static_cast<wchar_t>(0x1F600), L"C:\\A\\a.exe", L"");
  EXPECT_NE(xml.find(std::string("\x3D\xD8\x00\xDE", 4)), std::string::npos);
}

class CreateLogonTaskTest : public SimMachineTest {
 protected:
  void SetUp() override {
    machine_.processes.Register(L"schtasks.exe", [this](const std::wstring& line) {
      const std::size_t xml_at = line.find(L"/XML \"");
      if (xml_at != std::wstring::npos) {
        const std::wstring path = line.substr(xml_at + 6, line.size() - xml_at - 7);
        xml_ = machine_.files.ReadAll(path).value_or("");
      }
      return platform::SimProcesses::Outcome::Ends(exit_code_, 100);
    });
  }
  std::string xml_;
  std::uint32_t exit_code_ = 0;
};

TEST_F(CreateLogonTaskTest, RegistersThroughSchtasksAndRemovesTheFile) {
  machine_.account.SetUser(L"PC\\Tom & Jerry");
  // A file left by a crash is replaced, and the one schtasks reads is where only
  // administrators write.
  const std::wstring xml_path = L"C:\\ProgramData\\Veltrane\\Veltrane-logon-task.xml";
  machine_.files.Seed(xml_path, "stale");
  EXPECT_TRUE(
      CreateLogonTask(L"Veltrane Afterburner", L"D:\\<AB>\\MSIAfterburner.exe", L"-profile1"));
  EXPECT_EQ(machine_.processes.command_lines().back(),
            L"\"C:\\Windows\\system32\\schtasks.exe\" /Create /F /TN \"Veltrane Afterburner\" "
            L"/XML \"" +
                xml_path + L"\"");
  EXPECT_EQ(xml_, "\xFF\xFE" + Utf16(kGolden));
  EXPECT_FALSE(machine_.files.Exists(xml_path));
  DeleteLogonTask(L"MSIAfterburner");
  EXPECT_EQ(machine_.processes.command_lines().back(),
            L"\"C:\\Windows\\system32\\schtasks.exe\" /Delete /F /TN \"MSIAfterburner\"");
}

TEST_F(CreateLogonTaskTest, FailsWithoutAUserOrWhenSchtasksRefuses) {
  exit_code_ = 1;
  EXPECT_FALSE(CreateLogonTask(L"Veltrane RivaTuner", L"C:\\R\\RTSS.exe", L""));
  exit_code_ = 0;
  machine_.account.FailLookup(true);
  const std::size_t runs = machine_.processes.runs().size();
  EXPECT_FALSE(CreateLogonTask(L"Veltrane RivaTuner", L"C:\\R\\RTSS.exe", L""));
  EXPECT_EQ(machine_.processes.runs().size(), runs);
}

}  // namespace
