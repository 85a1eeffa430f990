// The update check, the verified download and the download counter against the sim's
// network: every redirect judged before it is followed, and the request log proving which
// hosts were contacted.
#include "update/update_check.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"
#include "unit/update/release_image.h"

namespace {

using platform::SimHttpResponse;

const update::UpdateEndpoints& kHosts = kTestHosts;
constexpr wchar_t kListUrl[] = L"https://updates.test/veltrane/latest.json?current=2.10.1";
constexpr const wchar_t* kFileUrl = kTestFileUrl;
constexpr wchar_t kTarget[] = L"C:\\Users\\Player\\AppData\\Local\\Temp\\Veltrane-update.exe";
// sha256sum of the 165-byte images below.
constexpr wchar_t kX86Hash[] = L"fd8124b20701ec63177b576f7c7a14bb87d23ccd7ea7b306ff251eb6a4aa0cfe";
constexpr wchar_t kOldHash[] = L"d9bed73372ff87d3e40ce34810b404a22a70b2e792037b884c5b62c26c042853";

const std::string kX64 = ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 0});

class UpdateCheckTest : public SimMachineTest {
 protected:
  update::AppUpdate Release(const wchar_t* hash, std::uint64_t size = 165) {
    return {L"2.10.2", L"", kFileUrl, hash, size};
  }
};

TEST_F(UpdateCheckTest, CheckTable) {
  const std::string kGood =
      R"({"version":"2.10.2","url":"https://files.updates.test/Veltrane.exe","sha256":")"
      "51E5231BCB710067E830978D7BB6B695CD83463DDBF53E8A38E45C82807CAC98\\n\",\"size\":165}";
  struct Case {
    const char* name;
    SimHttpResponse list;
    std::wstring extra_url;  // a second hop served too
    SimHttpResponse extra;
    bool found;
    const wchar_t* error;
  };
  SimHttpResponse big = SimHttpResponse::Ok("{}");
  big.content_length = std::nullopt;
  big.padded_size = 65537;
  SimHttpResponse announced_big = SimHttpResponse::Ok("{}");
  announced_big.content_length = 65537;
  SimHttpResponse missing;
  missing.status = 404;
  SimHttpResponse failing;
  failing.status = 503;
  SimHttpResponse untrusted;
  untrusted.fail_step = platform::kHttpExchangeStep;
  untrusted.fail_code = 12175;
  const Case kCases[] = {
      {"newer release", SimHttpResponse::Ok(kGood), L"", {}, true, L""},
      {"same version", SimHttpResponse::Ok(R"({"version":"2.10.1.0"})"), L"", {}, false, L""},
      {"via the www host",
       SimHttpResponse::Redirect(L"https://www.updates.test/veltrane/latest.json"),
       L"https://www.updates.test/veltrane/latest.json", SimHttpResponse::Ok(kGood), true, L""},
      {"redirected elsewhere", SimHttpResponse::Redirect(L"https://evil.test/latest.json"),
       L"https://evil.test/latest.json", SimHttpResponse::Ok(kGood), false,
       L"The update list was redirected away from updates.test."},
      {"relative redirect kept on the host", SimHttpResponse::Redirect(L"/v2/latest.json"),
       L"https://updates.test/v2/latest.json", SimHttpResponse::Ok(kGood), true, L""},
      {"scheme-relative redirect", SimHttpResponse::Redirect(L"//evil.test/latest.json"),
       L"https://evil.test/latest.json", SimHttpResponse::Ok(kGood), false,
       L"The update list was redirected away from updates.test."},
      {"plain http redirect",
       SimHttpResponse::Redirect(L"http://updates.test/latest.json"),
       L"",
       {},
       false,
       L"The update list was redirected away from updates.test."},
      {"not published",
       missing,
       L"",
       {},
       false,
       L"No update list is published at /veltrane/latest.json yet."},
      {"server error", failing, L"", {}, false, L"The update server returned status 503."},
      {"untrusted certificate",
       untrusted,
       L"",
       {},
       false,
       L"updates.test did not present a trusted certificate."},
      {"list over 64 KiB, unannounced",
       big,
       L"",
       {},
       false,
       L"The download is larger than expected."},
      {"list over 64 KiB, announced",
       announced_big,
       L"",
       {},
       false,
       L"The download size does not match the update list."},
      {"not an object",
       SimHttpResponse::Ok("[1]"),
       L"",
       {},
       false,
       L"The update list is not a JSON object."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    machine.network.Serve(kListUrl, c.list);
    if (!c.extra_url.empty()) machine.network.Serve(c.extra_url, c.extra);
    update::AppUpdate found;
    std::wstring error;
    EXPECT_EQ(update::CheckForUpdate(kHosts, L"2.10.1", found, nullptr, error), c.found);
    EXPECT_EQ(error, c.error);
    if (c.found) EXPECT_EQ(found.sha256, kX64Hash);
    // Nothing but the update hosts was ever contacted.
    EXPECT_EQ(machine.network.CountFor(L"evil.test"), 0u);
    EXPECT_EQ(machine.network.log().front().user_agent, L"Veltrane/2.10.1");
  }
}

TEST_F(UpdateCheckTest, DownloadTable) {
  struct Case {
    const char* name;
    std::string payload;
    const wchar_t* hash;
    std::uint64_t list_size;
    std::optional<std::uint64_t> content_length;  // nullopt: chunked or content-encoded
    const wchar_t* redirect_to;
    const wchar_t* error;
  };
  const std::string kX86 = ReleaseImage(128, 0x014C, "PE\0\0", {2, 10, 2, 0});
  const std::string kOld = ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 1, 0});
  const Case kCases[] = {
      {"verified", kX64, kX64Hash, 165, 165, nullptr, L""},
      {"upper-case checksum", kX64,
       L"51E5231BCB710067E830978D7BB6B695CD83463DDBF53E8A38E45C82807CAC98", 165, 165, nullptr, L""},
      // An encoded body announces its encoded length, which the network layer withholds;
      // the decoded bytes are then held to the list's size alone.
      {"content-encoded, size from the list", kX64, kX64Hash, 165, std::nullopt, nullptr, L""},
      {"no size anywhere", kX64, kX64Hash, 0, std::nullopt, nullptr, L""},
      {"wrong hash", kX64, kOldHash, 165, 165, nullptr,
       L"The download did not match the published checksum."},
      {"announced larger than listed", kX64, kX64Hash, 100, 165, nullptr,
       L"The download size does not match the update list."},
      {"chunked, longer than listed", kX64, kX64Hash, 100, std::nullopt, nullptr,
       L"The download size does not match the update list."},
      {"32-bit with the right hash", kX86, kX86Hash, 165, 165, nullptr,
       L"The download is not the 64-bit Veltrane executable."},
      {"older version inside", kOld, kOldHash, 165, 165, nullptr,
       L"The download's version is not the one the update list named."},
      {"redirect to another host", kX64, kX64Hash, 165, 165, L"https://evil.test/Veltrane.exe",
       L"The download was redirected away from files.updates.test."},
      {"redirect to the web host", kX64, kX64Hash, 165, 165, L"https://updates.test/Veltrane.exe",
       L"The download was redirected away from files.updates.test."},
      {"redirect within the download host", kX64, kX64Hash, 165, 165,
       L"https://files.updates.test/Veltrane.exe", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    SimHttpResponse file = SimHttpResponse::Ok(c.payload);
    file.content_length = c.content_length;
    file.piece_size = 50;
    if (c.redirect_to != nullptr) {
      machine.network.Serve(kFileUrl, SimHttpResponse::Redirect(c.redirect_to));
      machine.network.Serve(c.redirect_to, file);
    } else {
      machine.network.Serve(kFileUrl, file);
    }
    std::wstring error;
    const bool ok = update::DownloadVerifiedUpdate(kHosts, Release(c.hash, c.list_size), kTarget,
                                                   {}, nullptr, error);
    EXPECT_EQ(ok, std::wstring(c.error).empty());
    EXPECT_EQ(error, c.error);
    const auto stored = machine.files.ReadAll(kTarget);
    if (ok) {
      ASSERT_TRUE(stored.ok());
      EXPECT_EQ(*stored, c.payload);
    } else {
      EXPECT_FALSE(machine.files.Exists(kTarget));
    }
    EXPECT_EQ(machine.network.CountFor(L"evil.test"), 0u);
    EXPECT_EQ(machine.network.CountFor(L"updates.test"), 0u);
  }
}

TEST_F(UpdateCheckTest, RefusedBeforeAnyRequest) {
  struct Case {
    const char* name;
    update::AppUpdate release;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {"unparsable version",
       {L"2.x", L"", kFileUrl, kX64Hash, 165},
       L"The update list is incomplete."},
      {"address off the download host",
       {L"2.10.2", L"", L"https://updates.test/Veltrane.exe", kX64Hash, 165},
       L"The update list is incomplete."},
      {"short checksum",
       {L"2.10.2", L"", kFileUrl, L"51e5", 165},
       L"The update list is incomplete."},
      {"over 64 MiB",
       {L"2.10.2", L"", kFileUrl, kX64Hash, 67108865},
       L"The update list's size is not a Veltrane executable."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::wstring error;
    EXPECT_FALSE(update::DownloadVerifiedUpdate(kHosts, c.release, kTarget, {}, nullptr, error));
    EXPECT_EQ(error, c.error);
  }
  EXPECT_TRUE(machine_.network.log().empty());
}

TEST_F(UpdateCheckTest, RedirectHopsAreCapped) {
  // Five hops are followed; the sixth redirect is refused without being contacted.
  for (int hop = 0; hop < 6; ++hop) {
    const std::wstring from =
        hop == 0 ? std::wstring(kFileUrl)
                 : L"https://files.updates.test/Veltrane-" + std::to_wstring(hop) + L".exe";
    machine_.network.Serve(from, SimHttpResponse::Redirect(L"https://files.updates.test/Veltrane-" +
                                                           std::to_wstring(hop + 1) + L".exe"));
  }
  std::wstring error;
  EXPECT_FALSE(
      update::DownloadVerifiedUpdate(kHosts, Release(kX64Hash), kTarget, {}, nullptr, error));
  EXPECT_EQ(error, L"The download was redirected away from files.updates.test.");
  EXPECT_EQ(machine_.network.log().size(), 6u);
}

TEST_F(UpdateCheckTest, BrokenOrStoppedDownloadLeavesNothing) {
  SimHttpResponse broken = SimHttpResponse::Ok(kX64);
  broken.piece_size = 50;
  broken.read_error_at = 100;
  machine_.network.Serve(kFileUrl, broken);
  std::wstring error;
  std::vector<std::uint64_t> seen;
  EXPECT_FALSE(update::DownloadVerifiedUpdate(
      kHosts, Release(kX64Hash), kTarget,
      [&](std::uint64_t received, std::uint64_t total) { seen.push_back(received * 1000 + total); },
      nullptr, error));
  EXPECT_EQ(error, L"The download stopped early.");
  EXPECT_EQ(seen, (std::vector<std::uint64_t>{50165, 100165}));
  EXPECT_FALSE(machine_.files.Exists(kTarget));

  machine_.network.Serve(kFileUrl, SimHttpResponse::Ok(kX64));
  std::atomic<bool> cancel{true};
  EXPECT_FALSE(
      update::DownloadVerifiedUpdate(kHosts, Release(kX64Hash), kTarget, {}, &cancel, error));
  EXPECT_EQ(error, L"Stopped.");
  EXPECT_EQ(machine_.network.log().size(), 1u);
}

TEST_F(UpdateCheckTest, RepeatedFailureIsLoggedOnce) {
  update::UpdateChecker checker(kHosts);
  update::AppUpdate found;
  std::wstring error;
  machine_.network.SetOffline(true);
  EXPECT_FALSE(checker.CheckAndLog(found, nullptr, error));
  EXPECT_FALSE(checker.CheckAndLog(found, nullptr, error));
  EXPECT_EQ(error, L"updates.test could not be reached.");
  machine_.network.SetOffline(false);
  machine_.network.Serve(kListUrl, SimHttpResponse::Ok(R"({"version":"2.10.1"})"));
  EXPECT_FALSE(checker.CheckAndLog(found, nullptr, error));
  machine_.network.SetOffline(true);
  EXPECT_FALSE(checker.CheckAndLog(found, nullptr, error));
  const std::wstring log = Log();
  // Once for the first outage, once again after a good check in between.
  std::size_t lines = 0;
  for (std::size_t at = log.find(L"Update check: "); at != std::wstring::npos;
       at = log.find(L"Update check: ", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 2u);
}

TEST_F(UpdateCheckTest, DownloadCounter) {
  const std::wstring counter = L"https://updates.test/api/veltrane/downloads";
  machine_.network.Serve(counter, SimHttpResponse::Ok("{}"));
  EXPECT_TRUE(update::ReportDownload(kHosts, L"2.10.2"));
  EXPECT_FALSE(update::ReportDownload(kHosts, L"2.10.2-beta"));
  EXPECT_FALSE(update::ReportDownload(kHosts, L""));
  machine_.network.Serve(counter, SimHttpResponse::Redirect(L"https://evil.test/count"));
  EXPECT_FALSE(update::ReportDownload(kHosts, L"2.10.2"));
  const auto log = machine_.network.log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].method, L"POST");
  EXPECT_EQ(log[0].url, counter);
  EXPECT_EQ(log[0].body, R"({"source":"app","version":"2.10.2"})");
  EXPECT_EQ(machine_.network.CountFor(L"evil.test"), 0u);
}

}  // namespace
