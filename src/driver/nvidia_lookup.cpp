#include "driver/nvidia_lookup.h"

#include "app/output.h"
#include "driver/driver_feed.h"
#include "driver/driver_lookup.h"
#include "driver/response_scan.h"
#include "driver/vendor_fetch.h"
#include "driver/vendor_url.h"
#include "support/utf.h"

namespace {

constexpr wchar_t kServicePath[] =
    L"/nvidia_web_services/controller.gfeclientcontent.NG.php/"
    L"com.nvidia.services.GFEClientContent_NG.getDispDrvrByDevid/";
constexpr std::uint64_t kMaxResponse = 4ull << 20;
constexpr wchar_t kDescription[] =
    L"Keeps the display driver and PhysX. Leaves out the NVIDIA App, telemetry, ShadowPlay, "
    L"FrameView, and HD audio. The current NVIDIA driver is replaced. 7-Zip is installed first "
    L"if it is not already there. Nothing is installed until you confirm again.";

// One query. True with the package in `offer`; false with `offer.message` set when the
// answer named a package that cannot be used, and `fetch_error` when the fetch failed.
bool QueryNvidia(gui::GpuDriverOffer& offer, const std::wstring& id, const std::wstring& build,
                 std::wstring& fetch_error, const std::atomic<bool>* cancel) {
  FetchResult result;
  if (!FetchFromVendor(kRoleNvidiaLookup, L"GET", NvidiaLookupUrl(id, build, offer.onBattery),
                       false, kMaxResponse, {}, result, fetch_error, cancel)) {
    return false;
  }
  const NvidiaPackage package = ScanNvidiaResponse(result.body);
  const std::wstring url = support::FromUtf8(package.url);
  if (url.rfind(L"https://", 0) != 0) return false;
  if (!UrlPassesRole(kRoleNvidiaDownload, url)) {
    offer.message = L"NVIDIA returned a package that is not on its download site.";
    offer.downloadUrl.clear();
    return false;
  }
  offer.downloadUrl = url;
  offer.version = support::FromUtf8(package.version);
  offer.packageName = support::FromUtf8(package.name);
  return true;
}

}  // namespace

std::wstring PercentEncode(const std::string& bytes) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                            (byte >= 'a' && byte <= 'z') || byte == '-' || byte == '.' ||
                            byte == '_' || byte == '~';
    if (unreserved) {
      text += static_cast<wchar_t>(byte);
    } else {
      text += L'%';
      text += kHex[byte >> 4];
      text += kHex[byte & 0xF];
    }
  }
  return text;
}

std::wstring NvidiaLookupUrl(const std::wstring& id, const std::wstring& build, bool onBattery) {
  const std::string request =
      "{\"dIDa\":[\"" + support::ToUtf8(id) + "\"],\"osC\":\"10.0\",\"osB\":\"" +
      support::ToUtf8(build) + "\",\"is6\":\"1\",\"lg\":\"1033\",\"iLp\":\"" +
      (onBattery ? "1" : "0") + "\",\"prvMd\":\"0\",\"dch\":\"1\",\"upCRD\":\"0\",\"isCRD\":\"0\"}";
  return std::wstring(L"https://") + kNvidiaLookupHost + kServicePath + PercentEncode(request);
}

bool LookupNvidiaDriver(gui::GpuDriverOffer& offer, const DisplayAdapter& adapter, gui::Feed* feed,
                        const std::atomic<bool>* cancel) {
  // Step 1: what the offer says before anything is asked.
  offer.vendor = kDriverNvidia;
  offer.description = kDescription;
  // Step 2: the service answers by PCI id only.
  if (adapter.deviceId.size() != 4 || adapter.vendorId.size() != 4) {
    offer.message = L"The adapter PCI id could not be read.";
    return false;
  }
  DriverLine(feed, L"Asking NVIDIA for the current driver.");
  const std::wstring build = WindowsBuildNumber();
  // Step 3: the full id with the subsystem first, then the chip alone.
  std::wstring fetch_error;
  bool found = false;
  if (!adapter.subsysDeviceId.empty() && !adapter.subsysVendorId.empty()) {
    found = QueryNvidia(offer,
                        adapter.deviceId + L"_" + adapter.vendorId + L"_" + adapter.subsysDeviceId +
                            L"_" + adapter.subsysVendorId,
                        build, fetch_error, cancel);
  }
  if (!found && !IsStopped(cancel)) {
    found =
        QueryNvidia(offer, adapter.deviceId + L"_" + adapter.vendorId, build, fetch_error, cancel);
  }
  if (!found) {
    if (offer.message.empty()) {
      offer.message =
          fetch_error.empty() ? L"NVIDIA did not publish a package for this adapter." : fetch_error;
    }
    return false;
  }
  // Step 4: the package's size, its space, and the detail line.
  offer.message.clear();
  if (offer.packageName.empty()) offer.packageName = L"GeForce Game Ready Driver";
  MeasurePackage(offer, kRoleNvidiaDownload, false, cancel);
  DriverLine(feed, L"NVIDIA published " + offer.version + L".");
  return true;
}
