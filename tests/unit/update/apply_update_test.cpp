// Putting a verified release in place: the installed copy, the running copy, the service
// around them, and what is left when any part refuses.
#include "update/apply_update.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"
#include "unit/update/release_image.h"

namespace {

using platform::SimHttpResponse;

constexpr wchar_t kInstalled[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
constexpr wchar_t kRunning[] = L"C:\\Users\\Player\\Downloads\\Veltrane.exe";
constexpr wchar_t kDownload[] = L"C:\\Users\\Player\\AppData\\Local\\Temp\\Veltrane-update.exe";

const std::string kPayload = ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 0});
const std::string kOldBytes = platform::SimFiles::VersionedBytes({2, 10, 1, 0});
const std::string kNewerBytes = platform::SimFiles::VersionedBytes({2, 11, 0, 0});

class ApplyUpdateTest : public SimMachineTest {};

TEST_F(ApplyUpdateTest, OutcomeTable) {
  struct Case {
    const char* name;
    std::string installed_before;
    const wchar_t* hash;
    std::uint32_t service_start_error;
    int result;
    std::string installed_after;
    std::string running_after;
    const wchar_t* error_start;
  };
  const Case kCases[] = {
      {"both copies replaced", kOldBytes, kX64Hash, 0, 0, kPayload, kPayload, L""},
      {"a newer installed copy stays", kNewerBytes, kX64Hash, 0, 0, kNewerBytes, kPayload, L""},
      {"service refuses the new file", kOldBytes, kX64Hash, 1053, 1, kOldBytes, kOldBytes,
       L"The Veltrane service did not start on the new version, so the previous copy was put "
       L"back."},
      {"wrong checksum", kOldBytes,
       L"d9bed73372ff87d3e40ce34810b404a22a70b2e792037b884c5b62c26c042853", 0, 1, kOldBytes,
       kOldBytes, L"The download did not match the published checksum."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    machine.files.Seed(kInstalled, c.installed_before);
    machine.files.Seed(kRunning, kOldBytes);
    machine.files.SetLock(kRunning, platform::FileLock::kInUse);
    machine.services.Seed(L"Veltrane",
                          {L"Veltrane", L"\"" + std::wstring(kInstalled) + L"\" --service"},
                          platform::ServiceRunState::kRunning);
    machine.network.Serve(kTestFileUrl, SimHttpResponse::Ok(kPayload));
    machine.network.Serve(L"https://updates.test/api/veltrane/downloads",
                          SimHttpResponse::Ok("{}"));
    if (c.service_start_error != 0)
      machine.services.SetStartError(L"Veltrane", c.service_start_error);
    std::atomic<bool> cancel{false};
    std::wstring error;
    std::vector<std::wstring> shown;
    EXPECT_EQ(update::ApplyAppUpdate(
                  kTestHosts, {L"2.10.2", L"", kTestFileUrl, c.hash, 165},
                  [&](const std::wstring& text) { shown.push_back(text); }, cancel, error),
              c.result);
    EXPECT_TRUE(error.starts_with(c.error_start)) << support::ToUtf8(error);
    EXPECT_EQ(*machine.files.ReadAll(kInstalled), c.installed_after);
    EXPECT_EQ(*machine.files.ReadAll(kRunning), c.running_after);
    EXPECT_FALSE(machine.files.Exists(kDownload));
    if (c.result == 0) {
      EXPECT_EQ(*machine.files.ReadAll(std::wstring(kRunning) + L".old"), kOldBytes);
      EXPECT_EQ(shown.back(), L"Replacing this copy\u2026");
      EXPECT_EQ(shown.front(), L"Downloading 2.10.2\u2026  100%");
    } else {
      const auto log = machine.files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
      ASSERT_TRUE(log.ok());
      EXPECT_NE(support::FromUtf8(*log).find(L"Update failed: " + error), std::wstring::npos);
    }
  }
}

TEST_F(ApplyUpdateTest, VerifiedDownloadCannotBeSwappedBeforeItIsCopied) {
  machine_.files.Seed(kInstalled, kOldBytes);
  machine_.files.Seed(kRunning, kOldBytes);
  machine_.files.Seed(L"C:\\Users\\Player\\AppData\\Local\\Temp\\evil.exe", "evil");
  machine_.network.Serve(kTestFileUrl, SimHttpResponse::Ok(kPayload));
  std::atomic<bool> cancel{false};
  std::wstring error;
  bool swapped = true;
  const auto progress = [&](const std::wstring& text) {
    // Another program tries to put its own file where the verified one lies.
    if (text.starts_with(L"Replacing")) {
      swapped = machine_.files
                    .MoveReplace(L"C:\\Users\\Player\\AppData\\Local\\Temp\\evil.exe", kDownload)
                    .ok();
    }
  };
  EXPECT_EQ(update::ApplyAppUpdate(kTestHosts, {L"2.10.2", L"", kTestFileUrl, kX64Hash, 165},
                                   progress, cancel, error),
            0);
  EXPECT_FALSE(swapped);
  EXPECT_EQ(*machine_.files.ReadAll(kInstalled), kPayload);
  EXPECT_EQ(*machine_.files.ReadAll(kRunning), kPayload);
  EXPECT_NE(Log().find(L"The download counter could not be updated."), std::wstring::npos);
}

}  // namespace
