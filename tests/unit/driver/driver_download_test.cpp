// The verified download: host, size, hash and "MZ" checks, reuse of a recorded download
// without any request, and nothing left behind by a failure.
#include "driver/driver_download.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <fstream>

#include "unit/driver/driver_fixture.h"

namespace {

using platform::SimHttpResponse;

constexpr std::uint64_t kSize = (32ull << 20) + 1;  // the smallest installer accepted
constexpr wchar_t kNvidiaUrl[] =
    L"https://us.download.nvidia.com/Windows/566.36/566.36-win.exe?x=1";
constexpr wchar_t kNvidiaFile[] = L"C:\\ProgramData\\Veltrane\\drivers\\566.36-win.exe";
constexpr wchar_t kAmdUrl[] = L"https://drivers.amd.com/drivers/amd-24.12.1.exe";
constexpr wchar_t kAmdFile[] = L"C:\\ProgramData\\Veltrane\\drivers\\amd-24.12.1.exe";
// SHA-256 of "MZ" followed by zeros up to kSize bytes (worked out with sha256sum).
constexpr wchar_t kPackageSha256[] =
    L"3ec8f6407c52a22f9a57c2d6371fc476d1b3edfcce0e0f66a7bc315f446c0632";

SimHttpResponse Package(const std::string& head = "MZ", std::uint64_t size = kSize) {
  SimHttpResponse response = SimHttpResponse::Ok(head);
  response.padded_size = size;
  response.content_length = size;
  response.piece_size = 1 << 20;
  return response;
}

class DriverDownloadTest : public DriverTest {
 protected:
  gui::GpuDriverOffer NvidiaOffer() {
    gui::GpuDriverOffer offer;
    offer.vendor = kDriverNvidia;
    offer.found = offer.spaceOk = true;
    offer.downloadUrl = kNvidiaUrl;
    offer.packageName = L"GeForce Game Ready Driver";
    offer.sizeBytes = kSize;
    return offer;
  }
  gui::GpuDriverOffer AmdOffer(const std::wstring& sha256 = kPackageSha256) {
    gui::GpuDriverOffer offer = NvidiaOffer();
    offer.vendor = kDriverAmd;
    offer.downloadUrl = kAmdUrl;
    offer.sha256 = sha256;
    offer.sizeBytes = 0;
    return offer;
  }
  bool LeftBehind(const std::wstring& file) {
    return machine_.files.Exists(file) || machine_.files.Exists(file + L".partial");
  }
};

TEST(PackageFileNameTest, LastSegmentMadeSafe) {
  struct Case {
    const wchar_t* url;
    const wchar_t* name;
  };
  const Case kCases[] = {
      {L"https://drivers.amd.com/a/b/pkg.exe?token=1", L"pkg.exe"},
      {L"https://drivers.amd.com/a/", L"driver.exe"},
      {L"https://drivers.amd.com", L"driver.exe"},
      {L"https://drivers.amd.com/a/..exe", L"driver.exe"},
      {L"https://drivers.amd.com/a%3A*b|c<d>.exe", L"a%3A_b_c_d_.exe"},
      {L"not a url", L"driver.exe"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.url)));
    EXPECT_EQ(PackageFileName(c.url), c.name);
  }
  EXPECT_EQ(PackageFileName(L"https://drivers.amd.com/" + std::wstring(161, L'a')), L"driver.exe");
  EXPECT_EQ(PackageFileName(L"https://drivers.amd.com/" + std::wstring(160, L'a')),
            std::wstring(160, L'a'));
}

TEST_F(DriverDownloadTest, NvidiaDownloadIsRecordedAndReusedWithoutARequest) {
  machine_.network.Serve(kNvidiaUrl, Package());
  gui::GpuDriverOffer offer = NvidiaOffer();
  ASSERT_EQ(gui::DownloadGpuDriver(&feed_, offer, nullptr), 0) << offer.message;
  EXPECT_EQ(offer.localPath, kNvidiaFile);
  EXPECT_FALSE(machine_.files.Exists(std::wstring(kNvidiaFile) + L".partial"));
  EXPECT_EQ(feed_.lines.back(), L"Download complete.");
  EXPECT_EQ(machine_.network.log().size(), 1u);
  EXPECT_EQ(machine_.network.log()[0].headers, L"");  // no browser headers for NVIDIA
  // The same package again: the recorded file is used as it is.
  gui::GpuDriverOffer again = NvidiaOffer();
  ASSERT_EQ(gui::DownloadGpuDriver(&feed_, again, nullptr), 0);
  EXPECT_EQ(again.localPath, kNvidiaFile);
  EXPECT_EQ(feed_.lines.back(), L"Using the package already downloaded.");
  EXPECT_EQ(machine_.network.log().size(), 1u);
  // A file changed after its download (same size, same "MZ") is fetched anew.
  {
    std::fstream patch(machine_.files.HostPath(kNvidiaFile),
                       std::ios::in | std::ios::out | std::ios::binary);
    patch.seekp(100);
    patch.put('x');
  }
  gui::GpuDriverOffer third = NvidiaOffer();
  ASSERT_EQ(gui::DownloadGpuDriver(&feed_, third, nullptr), 0);
  EXPECT_EQ(machine_.network.log().size(), 2u);
  EXPECT_EQ(machine_.files.ReadBytes(kNvidiaFile, 100, 1).value_or("?"), std::string(1, '\0'));
}

TEST_F(DriverDownloadTest, UnrecordedFileIsNotReused) {
  // A file of the right name, size and header that this program never verified.
  std::string planted(kSize, '\0');
  planted[0] = 'M';
  planted[1] = 'Z';
  machine_.files.Seed(kNvidiaFile, planted);
  machine_.network.Serve(kNvidiaUrl, Package());
  gui::GpuDriverOffer offer = NvidiaOffer();
  ASSERT_EQ(gui::DownloadGpuDriver(&feed_, offer, nullptr), 0);
  EXPECT_EQ(machine_.network.log().size(), 1u);
}

TEST_F(DriverDownloadTest, AmdHashIsComparedWithoutRegardToCase) {
  machine_.network.Serve(kAmdUrl, Package());
  std::wstring upper = kPackageSha256;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  gui::GpuDriverOffer offer = AmdOffer(upper);
  ASSERT_EQ(gui::DownloadGpuDriver(&feed_, offer, nullptr), 0) << offer.message;
  EXPECT_EQ(offer.localPath, kAmdFile);
  // AMD's host wants a browser.
  EXPECT_NE(machine_.network.log()[0].headers.find(L"Referer: "), std::wstring::npos);
}

TEST_F(DriverDownloadTest, EveryFailureLeavesNothingBehind) {
  SimHttpResponse early = Package();
  early.content_length = kSize + 10;
  SimHttpResponse broken = Package();
  broken.read_error_at = 5 << 20;
  struct Case {
    const char* name;
    bool amd;
    SimHttpResponse response;
    const wchar_t* message;
  };
  const Case kCases[] = {
      {"wrong hash", true, Package("MX"),
       L"The AMD package hash did not match the published hash."},
      {"not an executable", false, Package("ZM"), L"The download was not an installer package."},
      {"too small", false, Package("MZ", kSize - 2), L"The download was not an installer package."},
      {"other size than published", false, Package("MZ", kSize + 1),
       L"The download does not have the size the vendor published."},
      {"closed early", false, early, L"The download ended early."},
      {"broken connection", false, broken, L"The download stopped early (12030)."},
      {"redirected away", false,
       SimHttpResponse::Redirect(L"https://cdn.example.net/566.36-win.exe"),
       L"The download was redirected away from the vendor site."},
  };
  machine_.network.Serve(L"https://cdn.example.net/566.36-win.exe", Package());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    gui::GpuDriverOffer offer = c.amd ? AmdOffer() : NvidiaOffer();
    machine_.network.Serve(offer.downloadUrl, c.response);
    EXPECT_EQ(gui::DownloadGpuDriver(&feed_, offer, nullptr), 1);
    EXPECT_EQ(offer.message, c.message);
    EXPECT_TRUE(offer.localPath.empty());
    EXPECT_FALSE(LeftBehind(c.amd ? kAmdFile : kNvidiaFile));
  }
  EXPECT_EQ(machine_.network.CountFor(L"cdn.example.net"), 0u);
}

TEST_F(DriverDownloadTest, OffersThatAreNotDownloaded) {
  struct Case {
    const char* name;
    gui::GpuDriverOffer offer;
    const wchar_t* message;
  };
  gui::GpuDriverOffer no_space = NvidiaOffer();
  no_space.spaceOk = false;
  gui::GpuDriverOffer foreign = NvidiaOffer();
  foreign.downloadUrl = L"https://drivers.amd.com/566.36-win.exe";
  gui::GpuDriverOffer no_size = NvidiaOffer();
  no_size.sizeBytes = 0;
  const Case kCases[] = {
      {"no room", no_space, L"There is no package to download."},
      {"NVIDIA offer on AMD's host", foreign, L"The package address is not on the vendor site."},
      {"NVIDIA size unknown", no_size,
       L"NVIDIA did not give the package size, so the download cannot be checked."},
      {"AMD without checksum", AmdOffer(L""),
       L"The AMD index did not publish a checksum for the package."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    gui::GpuDriverOffer offer = c.offer;
    EXPECT_EQ(gui::DownloadGpuDriver(&feed_, offer, nullptr), 1);
    EXPECT_EQ(offer.message, c.message);
  }
  EXPECT_TRUE(machine_.network.log().empty());
}

TEST_F(DriverDownloadTest, StopsAndFaults) {
  machine_.network.Serve(kNvidiaUrl, Package());
  // A full disk during the download.
  std::atomic<bool> cancel{false};
  gui::GpuDriverOffer offer = NvidiaOffer();
  machine_.files.FailNext(platform::FileOp::kStreamWrite, support::ErrorCode::kFailed, 112);
  EXPECT_EQ(gui::DownloadGpuDriver(&feed_, offer, &cancel), 1);
  EXPECT_EQ(offer.message, L"Could not save the download.");
  EXPECT_FALSE(LeftBehind(kNvidiaFile));
  // Cancelled before the start, then no network at all.
  cancel = true;
  EXPECT_EQ(gui::DownloadGpuDriver(&feed_, offer, &cancel), 2);
  machine_.network.SetOffline(true);
  cancel = false;
  EXPECT_EQ(gui::DownloadGpuDriver(&feed_, offer, &cancel), 1);
  EXPECT_EQ(offer.message, L"The vendor site did not answer (12029).");
  EXPECT_FALSE(LeftBehind(kNvidiaFile));
}

}  // namespace
