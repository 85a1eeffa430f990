// RemoveStaleServices: the start-up clean-up keeps a service whose program is there.
#include "service/stale_services.h"

#include <gtest/gtest.h>

#include "service/install.h"
#include "service_fixture.h"

namespace {

TEST(ProgramPathOfTest, QuotedUpToTheQuoteElseUpToTheFirstSpace) {
  struct Case {
    const char* name;
    std::wstring binary_path, program;
  };
  const Case kCases[] = {
      {"quoted with arguments", L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service",
       L"C:\\Program Files\\Veltrane\\Veltrane.exe"},
      {"unquoted with arguments", L"C:\\Tools\\Veltrane.exe --service", L"C:\\Tools\\Veltrane.exe"},
      {"unquoted without a space is the whole path", L"C:\\Tools\\Veltrane.exe",
       L"C:\\Tools\\Veltrane.exe"},
      {"unclosed quote runs to the end", L"\"C:\\Tools\\Veltrane.exe", L"C:\\Tools\\Veltrane.exe"},
      {"empty", L"", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ProgramPathOf(c.binary_path), c.program);
  }
}

class StaleServicesTest : public ServiceTest {
 protected:
  void SeedService(const std::wstring& binary_path) {
    machine_.services.Seed(kServiceName,
                           {L"Veltrane", binary_path, platform::ServiceStartType::kAuto},
                           platform::ServiceRunState::kRunning);
  }
};

TEST_F(StaleServicesTest, AServiceWhoseProgramIsGoneIsDeleted) {
  struct Case {
    const char* name;
    std::wstring binary_path;
    bool file_there;
    bool kept;
    std::wstring file = {};  // where the program is; empty: ProgramPathOf's answer
  };
  const Case kCases[] = {
      {"unquoted with a blank in its folder, file there",
       L"C:\\Program Files\\Veltrane\\Veltrane.exe --service", true, true,
       L"C:\\Program Files\\Veltrane\\Veltrane.exe"},
      {"unquoted, the first blank's prefix as an exe",
       L"C:\\Program Files\\Veltrane\\Veltrane.exe --service", true, true, L"C:\\Program.exe"},
      {"quoted, file there", L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service", true,
       true},
      {"quoted, file gone", L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service", false,
       false},
      {"unquoted without space, file there", L"C:\\Tools\\Veltrane.exe", true, true},
      {"unquoted without space, file gone", L"C:\\Tools\\Veltrane.exe", false, false},
      {"empty path is left alone", L"", false, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.services.StopAll();
    const std::wstring file = c.file.empty() ? ProgramPathOf(c.binary_path) : c.file;
    (void)machine_.files.Delete(file);
    (void)machine_.files.Delete(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    if (c.file_there) machine_.files.Seed(file, "MZ");
    SeedService(c.binary_path);
    RemoveStaleServices();
    EXPECT_EQ(machine_.services.Exists(kServiceName), c.kept);
    EXPECT_EQ(Log().find(L"Removing the Veltrane service because its program file is gone.") ==
                  std::wstring::npos,
              c.kept);
    EXPECT_EQ(Out(), L"");  // log only
  }
}

TEST_F(StaleServicesTest, TheLegacyServiceIsAlwaysRemoved) {
  machine_.services.Seed(kLegacyServiceName, {}, platform::ServiceRunState::kRunning);
  RemoveStaleServices();
  EXPECT_FALSE(machine_.services.Exists(kLegacyServiceName));
  EXPECT_NE(Log().find(L"Removing the unused Quantick service left by an older build."),
            std::wstring::npos);
}

}  // namespace
