#include "driver/driver_lookup.h"

#include "app/output.h"
#include "driver/amd_index.h"
#include "driver/display_adapters.h"
#include "driver/driver_feed.h"
#include "driver/driver_folder.h"
#include "driver/nvidia_lookup.h"
#include "driver/vendor_fetch.h"
#include "driver/vendor_url.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr std::uint64_t kGiB = 1ull << 30;
constexpr std::uint64_t kMiB = 1ull << 20;
constexpr std::uint64_t kUnknownSizeNeed = 0x100000000ull;
constexpr std::uint64_t kSmallestPackage = 32 * kMiB;
constexpr std::uint64_t kLargestPackage = 32 * kMiB + 0xFA000000ull;
constexpr std::uint8_t kNoBattery = 128;
constexpr std::uint8_t kUnknownBattery = 255;
constexpr wchar_t kAmdDescription[] =
    L"Keeps the AMD display driver only. 7-Zip unpacks the package and Windows installs that "
    L"display driver. Adrenalin, the overlay, Chill, and the rest of the suite are not "
    L"installed. 7-Zip is installed first if it is not already there. If the package cannot be "
    L"trimmed, nothing is installed.";

const DisplayAdapter* Pick(const std::vector<DisplayAdapter>& adapters, std::uint32_t vendor) {
  const DisplayAdapter* first = nullptr;
  for (const DisplayAdapter& adapter : adapters) {
    if (adapter.vendor != vendor) continue;
    if (adapter.discrete) return &adapter;
    if (first == nullptr) first = &adapter;
  }
  return first;
}

bool LookupAmdDriver(gui::GpuDriverOffer& offer, gui::Feed* feed, const std::atomic<bool>* cancel) {
  offer.vendor = kDriverAmd;
  offer.packageName = L"AMD Software: Adrenalin Edition";
  offer.description = kAmdDescription;
  DriverLine(feed, L"Asking for the current AMD display driver.");
  std::wstring error;
  if (!gui::LookupAmdIndex(offer.downloadUrl, offer.sha256, offer.version, error, cancel)) {
    offer.message = error.empty() ? L"The AMD driver index did not respond." : error;
    return false;
  }
  if (IsStopped(cancel)) return false;
  MeasurePackage(offer, kRoleAmdDownload, true, cancel);
  DriverLine(feed, L"AMD published " +
                       (offer.version.empty() ? L"the current package" : offer.version) + L".");
  return true;
}

}  // namespace

std::wstring WindowsBuildNumber() {
  const auto build = platform::Sys().registry.ReadString(
      {platform::Hive::kLocalMachine, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
       L"CurrentBuildNumber"});
  std::wstring digits;
  if (build) {
    for (const wchar_t c : build->substr(0, 31)) {
      if (c >= L'0' && c <= L'9') digits += c;
    }
  }
  return digits.empty() ? L"22621" : digits;
}

bool ReportsBattery() {
  const auto flag = platform::Sys().environment.BatteryFlag();
  return flag && *flag != kNoBattery && *flag != kUnknownBattery;
}

std::wstring SizeText(std::uint64_t bytes) {
  if (bytes < kGiB) return Format(L"%.0f MB", static_cast<double>(bytes) / kMiB);
  return Format(L"%.1f GB", static_cast<double>(bytes) / kGiB);
}

void CheckSpaceAndDescribe(gui::GpuDriverOffer& offer) {
  // Step 1: room for the package and its unpacked copy, and a plausible package size.
  const std::uint64_t need = offer.sizeBytes == 0 ? kUnknownSizeNeed : 2 * offer.sizeBytes + kGiB;
  if (offer.sizeBytes != 0 &&
      (offer.sizeBytes < kSmallestPackage || offer.sizeBytes > kLargestPackage)) {
    offer.found = false;
    offer.message = L"The published package is not a full display driver.";
  }
  // Step 2: the free space of the driver folder's drive (the folder may not exist yet).
  const std::wstring folder = DriverFolder();
  auto free = platform::Sys().files.FreeSpace(folder);
  if (!free) free = platform::Sys().files.FreeSpace(folder.substr(0, 3));
  offer.spaceOk = free && *free >= need;
  if (!free) {
    offer.message = L"Could not read free space on this drive.";
  } else if (*free < need) {
    offer.message = Format(L"Need about %ls free. This drive has %ls.", SizeText(need).c_str(),
                           SizeText(*free).c_str());
  }
  // Step 3: the detail line.
  offer.detail = offer.sizeBytes != 0 ? L"About " + SizeText(offer.sizeBytes) + L"."
                                      : L"The vendor did not list the package size.";
  if (offer.onBattery) {
    offer.detail += L" This PC reports a battery. Laptops sometimes need the OEM package instead.";
  }
  if (!offer.otherAdapter.empty()) {
    offer.detail += L" " + offer.otherAdapter + L" stays on its current driver.";
  }
}

void MeasurePackage(gui::GpuDriverOffer& offer, int role, bool browserHeaders,
                    const std::atomic<bool>* cancel) {
  FetchResult head;
  std::wstring error;
  // A size the server would not give stays unknown; the space check then asks for more.
  if (FetchFromVendor(role, L"HEAD", offer.downloadUrl, browserHeaders, 0, {}, head, error,
                      cancel)) {
    offer.sizeBytes = head.contentLength;
  }
  offer.found = true;
  CheckSpaceAndDescribe(offer);
}

gui::GpuDriverOffer LookupGpuDriver(gui::Feed* feed, const std::atomic<bool>* cancel) {
  gui::GpuDriverOffer offer;
  // Step 1: a cancel before the start leaves the offer empty.
  if (IsStopped(cancel)) return offer;
  // Step 2: NVIDIA before AMD, a discrete card before an integrated one.
  const std::vector<DisplayAdapter> adapters = ListDisplayAdapters();
  const DisplayAdapter* nvidia = Pick(adapters, kDriverNvidia);
  const DisplayAdapter* amd = Pick(adapters, kDriverAmd);
  const DisplayAdapter* served = nvidia != nullptr ? nvidia : amd;
  // Step 3: Intel only, or nothing to serve.
  if (served == nullptr) {
    offer.message = Pick(adapters, kDriverIntel) != nullptr
                        ? L"Intel graphics stay on the current driver."
                        : L"No NVIDIA or AMD display adapter was found.";
    DriverLine(feed, offer.message);
    return offer;
  }
  if (nvidia != nullptr && amd != nullptr) offer.otherAdapter = amd->name;
  offer.adapterName = served->name;
  offer.currentDriver =
      served->driverVersion.empty() ? L"" : L"Windows driver  " + served->driverVersion;
  // Step 4: a laptop may need its maker's package; the offer says so.
  offer.onBattery = ReportsBattery();
  // Step 5: the vendor's lookup.
  const bool found = served == nvidia ? LookupNvidiaDriver(offer, *served, feed, cancel)
                                      : LookupAmdDriver(offer, feed, cancel);
  if (!found && !offer.message.empty()) DriverLine(feed, offer.message);
  return offer;
}
