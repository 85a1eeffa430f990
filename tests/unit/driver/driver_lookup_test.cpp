// The lookup: which adapter is served, the exact NVIDIA request, the AMD index, and the
// space, battery and detail rules of the offer.
#include "driver/driver_lookup.h"

#include <gtest/gtest.h>

#include "driver/response_scan.h"
#include "platform/sim/tool_standins.h"
#include "unit/driver/driver_fixture.h"

namespace {

using platform::SimHttpResponse;

constexpr wchar_t kLookupPrefix[] =
    L"https://gfwsl.geforce.com/nvidia_web_services/controller.gfeclientcontent.NG.php/"
    L"com.nvidia.services.GFEClientContent_NG.getDispDrvrByDevid/";
// {"dIDa":["2786_10DE_16F1_10DE"],"osC":"10.0","osB":"22631","is6":"1","lg":"1033",
//  "iLp":"0","prvMd":"0","dch":"1","upCRD":"0","isCRD":"0"}, percent-encoded by hand.
constexpr wchar_t kFullQuery[] =
    L"%7B%22dIDa%22%3A%5B%222786_10DE_16F1_10DE%22%5D%2C%22osC%22%3A%2210.0%22%2C%22osB%22%3A"
    L"%2222631%22%2C%22is6%22%3A%221%22%2C%22lg%22%3A%221033%22%2C%22iLp%22%3A%220%22%2C"
    L"%22prvMd%22%3A%220%22%2C%22dch%22%3A%221%22%2C%22upCRD%22%3A%220%22%2C%22isCRD%22%3A"
    L"%220%22%7D";
// The full id on a PC with a battery.
constexpr wchar_t kFullQueryOnBattery[] =
    L"%7B%22dIDa%22%3A%5B%222786_10DE_16F1_10DE%22%5D%2C%22osC%22%3A%2210.0%22%2C%22osB%22%3A"
    L"%2222631%22%2C%22is6%22%3A%221%22%2C%22lg%22%3A%221033%22%2C%22iLp%22%3A%221%22%2C"
    L"%22prvMd%22%3A%220%22%2C%22dch%22%3A%221%22%2C%22upCRD%22%3A%220%22%2C%22isCRD%22%3A"
    L"%220%22%7D";
// The same for "2786_10DE" on a PC with a battery.
constexpr wchar_t kShortQueryOnBattery[] =
    L"%7B%22dIDa%22%3A%5B%222786_10DE%22%5D%2C%22osC%22%3A%2210.0%22%2C%22osB%22%3A"
    L"%2222631%22%2C%22is6%22%3A%221%22%2C%22lg%22%3A%221033%22%2C%22iLp%22%3A%221%22%2C"
    L"%22prvMd%22%3A%220%22%2C%22dch%22%3A%221%22%2C%22upCRD%22%3A%220%22%2C%22isCRD%22%3A"
    L"%220%22%7D";
// And for "2786_10DE" without a battery.
constexpr wchar_t kShortQuery[] =
    L"%7B%22dIDa%22%3A%5B%222786_10DE%22%5D%2C%22osC%22%3A%2210.0%22%2C%22osB%22%3A"
    L"%2222631%22%2C%22is6%22%3A%221%22%2C%22lg%22%3A%221033%22%2C%22iLp%22%3A%220%22%2C"
    L"%22prvMd%22%3A%220%22%2C%22dch%22%3A%221%22%2C%22upCRD%22%3A%220%22%2C%22isCRD%22%3A"
    L"%220%22%7D";
constexpr wchar_t kPackageUrl[] = L"https://us.download.nvidia.com/Windows/566.36/566.36-win.exe";
constexpr char kAnswer[] =
    "{\"IDS\":[{\"downloadInfo\":{\"Success\":\"1\",\"DriverAttributes\":{\"Version\":\"566.36\","
    "\"Name\":\"GeForce Game Ready Driver\",\"DownloadURL\":"
    "\"https:\\/\\/us.download.nvidia.com\\/Windows\\/566.36\\/566.36-win.exe\"}}}]}";

class DriverLookupTest : public DriverTest {
 protected:
  void SetUp() override {
    machine_.registry.Seed(
        {platform::Hive::kLocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         L"CurrentBuildNumber"},
        std::wstring(L"22631"));
  }
  void ServePackageSize(std::uint64_t size) {
    SimHttpResponse head = SimHttpResponse::Ok("");
    head.content_length = size;
    machine_.network.Serve(kPackageUrl, head);
  }
};

TEST(NvidiaResponseTest, ReadsTheAttributesOfThePackage) {
  struct Case {
    const char* name;
    const char* body;
    const char* version;
    const char* url;
  };
  const Case kCases[] = {
      {"escaped slashes", kAnswer, "566.36",
       "https://us.download.nvidia.com/Windows/566.36/566.36-win.exe"},
      {"admin address first",
       "{\"DriverAttributes\":{\"DownloadURL\":\"https://a/x\",\"Version\" :\r\n \"1\","
       "\"DownloadURLAdmin\":\"https://b/y\"}}",
       "1", "https://b/y"},
      {"null and empty are absent",
       "{\"DriverAttributes\":{\"Version\":\"null\",\"DownloadURLAdmin\":\"\",\"DownloadURL\":"
       "\"u\"}}",
       "", "u"},
      {"colon too far", "{\"DriverAttributes\":{\"Version\"         :\"9\"}}", "", ""},
      {"unicode escapes dropped", "{\"DriverAttributes\":{\"Version\":\"5\\u00a06\\\"\"}}", "56\"",
       ""},
      {"keys before the attributes ignored",
       "{\"Version\":\"0\",\"DriverAttributes\":{\"Version\":\"2\"}}", "2", ""},
      {"no attributes", "{\"Version\":\"1\",\"DownloadURL\":\"https://a\"}", "", ""},
      {"unterminated value", "{\"DriverAttributes\":{\"Version\":\"1", "", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const NvidiaPackage package = ScanNvidiaResponse(c.body);
    EXPECT_EQ(package.version, c.version);
    EXPECT_EQ(package.url, c.url);
  }
}

TEST_F(DriverLookupTest, NvidiaRequestIsExactAndFallsBackToTheChipId) {
  SeedAdapter(0, L"NVIDIA GeForce RTX 4070 Laptop GPU", L"NVIDIA",
              L"pci\\ven_10de&dev_2786&subsys_16f110de");
  SeedAdapter(1, L"Intel(R) UHD Graphics", L"Intel Corporation", L"pci\\ven_8086&dev_a7a0");
  machine_.environment.SetBatteryFlag(0);  // medium charge: still a battery
  machine_.network.Serve(std::wstring(kLookupPrefix) + kShortQueryOnBattery,
                         SimHttpResponse::Ok(kAnswer));
  ServePackageSize(700ull << 20);
  const gui::GpuDriverOffer offer = LookupGpuDriver(&feed_, nullptr);
  const auto log = machine_.network.log();
  ASSERT_EQ(log.size(), 3u);
  // The full id answered nothing (no canned answer), so the chip id was asked next.
  EXPECT_NE(log[0].url.find(L"%222786_10DE_16F1_10DE%22"), std::wstring::npos);
  EXPECT_EQ(log[1].url, std::wstring(kLookupPrefix) + kShortQueryOnBattery);
  EXPECT_EQ(log[1].headers, L"");
  EXPECT_EQ(log[2].method, L"HEAD");
  EXPECT_TRUE(offer.found);
  EXPECT_TRUE(offer.onBattery);
  EXPECT_EQ(offer.version, L"566.36");
  EXPECT_EQ(offer.downloadUrl, kPackageUrl);
  EXPECT_EQ(offer.sizeBytes, 700ull << 20);
  EXPECT_EQ(offer.detail,
            L"About 700 MB. This PC reports a battery. Laptops sometimes need the OEM package "
            L"instead.");
  EXPECT_EQ(feed_.lines.back(), L"NVIDIA published 566.36.");
}

TEST_F(DriverLookupTest, FullIdQueryAndDesktopWithARadeon) {
  SeedGeForce(0);
  SeedAdapter(1, L"AMD Radeon RX 7600", L"Advanced Micro Devices, Inc.", L"pci\\ven_1002&dev_7480");
  machine_.network.Serve(std::wstring(kLookupPrefix) + kFullQuery, SimHttpResponse::Ok(kAnswer));
  ServePackageSize(700ull << 20);
  const gui::GpuDriverOffer offer = LookupGpuDriver(&feed_, nullptr);
  EXPECT_EQ(machine_.network.log().size(), 2u);
  EXPECT_EQ(offer.vendor, kDriverNvidia);
  EXPECT_EQ(offer.currentDriver, L"Windows driver  32.0.15.6094");
  EXPECT_EQ(offer.packageName, L"GeForce Game Ready Driver");
  EXPECT_EQ(offer.otherAdapter, L"AMD Radeon RX 7600");
  EXPECT_EQ(offer.detail, L"About 700 MB. AMD Radeon RX 7600 stays on its current driver.");
}

TEST_F(DriverLookupTest, SpaceSizeAndBatteryRules) {
  struct Case {
    const char* name;
    std::uint64_t size;  // 0: the HEAD answer gives none
    std::uint64_t free;
    std::optional<std::uint8_t> battery;
    bool found, space_ok, on_battery;
    const wchar_t* message;
  };
  constexpr std::uint64_t kMiB = 1ull << 20;
  const Case kCases[] = {
      {"700 MiB on 2 GiB", 700 * kMiB, 2048 * kMiB, 128, true, false, false,
       L"Need about 2.4 GB free. This drive has 2.0 GB."},
      {"700 MiB on 3 GiB", 700 * kMiB, 3072 * kMiB, 255, true, true, false, L""},
      {"unknown size needs 4 GiB", 0, 4095 * kMiB, 8, true, false, true,
       L"Need about 4.0 GB free. This drive has 4.0 GB."},
      {"too small to be a driver", 31 * kMiB, 500000 * kMiB, 1, false, true, true,
       L"The published package is not a full display driver."},
      {"battery flag unreadable", 100 * kMiB, 500000 * kMiB, std::nullopt, true, true, false, L""},
  };
  SeedGeForce();
  machine_.network.Serve(std::wstring(kLookupPrefix) + kFullQuery, SimHttpResponse::Ok(kAnswer));
  machine_.network.Serve(std::wstring(kLookupPrefix) + kFullQueryOnBattery,
                         SimHttpResponse::Ok(kAnswer));
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ServePackageSize(c.size);
    machine_.files.SetFreeSpace(L'C', c.free);
    machine_.environment.SetBatteryFlag(c.battery);
    const gui::GpuDriverOffer offer = LookupGpuDriver(&feed_, nullptr);
    EXPECT_EQ(offer.found, c.found);
    EXPECT_EQ(offer.spaceOk, c.space_ok);
    EXPECT_EQ(offer.onBattery, c.on_battery);
    EXPECT_EQ(offer.message, c.message);
  }
}

TEST_F(DriverLookupTest, NothingToServe) {
  struct Case {
    const char* name;
    bool intel;
    const wchar_t* message;
  };
  const Case kCases[] = {
      {"Intel only", true, L"Intel graphics stay on the current driver."},
      {"no adapter", false, L"No NVIDIA or AMD display adapter was found."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.intel) SeedAdapter(0, L"Intel(R) Iris(R) Xe Graphics", L"Intel Corporation", L"");
    const gui::GpuDriverOffer offer = LookupGpuDriver(&feed_, nullptr);
    EXPECT_EQ(offer.vendor, kDriverNone);
    EXPECT_EQ(offer.message, c.message);
    (void)machine_.registry.DeleteTree(platform::Hive::kLocalMachine, kClass);
  }
  EXPECT_TRUE(machine_.network.log().empty());
}

TEST_F(DriverLookupTest, NvidiaAnswersThatAreNotOffered) {
  struct Case {
    const char* name;
    std::optional<std::string> answer;  // nullopt: no network
    const wchar_t* message;
  };
  const Case kCases[] = {
      {"no network", std::nullopt, L"The vendor site did not answer (12029)."},
      {"no package", std::string("{\"IDS\":[]}"),
       L"NVIDIA did not publish a package for this adapter."},
      {"http address",
       std::string(
           "{\"DriverAttributes\":{\"DownloadURL\":\"http://us.download.nvidia.com/a.exe\"}}"),
       L"NVIDIA did not publish a package for this adapter."},
      {"foreign host",
       std::string("{\"DriverAttributes\":{\"DownloadURL\":\"https://download.nvidia.com.evil.net/"
                   "a.exe\"}}"),
       L"NVIDIA returned a package that is not on its download site."},
  };
  SeedGeForce();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.network.SetOffline(!c.answer);
    if (c.answer) {
      machine_.network.Serve(std::wstring(kLookupPrefix) + kFullQuery,
                             SimHttpResponse::Ok(*c.answer));
      machine_.network.Serve(std::wstring(kLookupPrefix) + kShortQuery,
                             SimHttpResponse::Ok(*c.answer));
    }
    const gui::GpuDriverOffer offer = LookupGpuDriver(&feed_, nullptr);
    EXPECT_FALSE(offer.found);
    EXPECT_EQ(offer.message, c.message);
    EXPECT_TRUE(offer.downloadUrl.empty());
  }
}

}  // namespace
