#include "driver/driver_download.h"

#include <memory>

#include "driver/driver_feed.h"
#include "driver/driver_folder.h"
#include "driver/package_record.h"
#include "driver/sha256.h"
#include "driver/vendor_fetch.h"
#include "driver/vendor_url.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr std::uint64_t kMaxPackage = 0xFC000000ull;
constexpr std::uint64_t kSmallestInstaller = (32ull << 20) - 1;  // must be larger than this
constexpr std::size_t kMaxFileName = 160;

// Whether `path` is an installer of plausible size (and, for NVIDIA, the published size).
// Empty when it is; the message otherwise.
std::wstring CheckInstaller(const std::wstring& path, std::uint64_t published_size) {
  auto& files = platform::Sys().files;
  const auto size = files.FileSize(path);
  if (!size) return L"The package did not save.";
  const auto head = files.ReadBytes(path, 0, 2);
  if (*size <= kSmallestInstaller || !head || *head != "MZ") {
    return L"The download was not an installer package.";
  }
  if (published_size != 0 && *size != published_size) {
    return L"The download does not have the size the vendor published.";
  }
  return {};
}

// A finished file from an earlier download that this program verified and recorded.
bool CanReuse(const gui::GpuDriverOffer& offer, const std::wstring& path) {
  if (!offer.sha256.empty() || !platform::Sys().files.Exists(path)) return false;
  if (!CheckInstaller(path, offer.sizeBytes).empty()) return false;
  return MatchesPackageRecord(path);
}

// Fetches into the ".partial" file while hashing; the partial file is closed on return.
bool FetchToPartial(gui::Feed* feed, const gui::GpuDriverOffer& offer, const std::wstring& partial,
                    Sha256& hash, std::wstring& error, bool& stopped,
                    const std::atomic<bool>* cancel) {
  auto stream = platform::Sys().files.CreateStream(partial);
  if (!stream) {
    error = L"Could not create the download file.";
    return false;
  }
  if (!hash.Start()) {
    (void)(*stream)->Close();
    error = L"Could not hash the package.";
    return false;
  }
  const int role = offer.vendor == kDriverAmd ? kRoleAmdDownload : kRoleNvidiaDownload;
  FetchResult result;
  const bool fetched = FetchFromVendor(
      role, L"GET", offer.downloadUrl, offer.vendor == kDriverAmd, kMaxPackage,
      [&](const char* bytes, std::size_t length, std::uint64_t so_far, std::uint64_t total) {
        if (!(*stream)->Write(std::string_view(bytes, length)).ok()) return false;
        hash.Add(std::string_view(bytes, length));
        if (total != 0)
          DriverProgress(feed, static_cast<double>(so_far) / static_cast<double>(total));
        return !IsStopped(cancel);
      },
      result, error, cancel);
  stopped = result.stopped;
  const bool closed = (*stream)->Close().ok();
  if (fetched && !closed) error = L"Could not save the download.";
  return fetched && closed;
}

// Why this offer cannot be downloaded; empty when it can.
std::wstring RefuseOffer(const gui::GpuDriverOffer& offer) {
  const int role = offer.vendor == kDriverAmd ? kRoleAmdDownload : kRoleNvidiaDownload;
  if (!UrlPassesRole(role, offer.downloadUrl))
    return L"The package address is not on the vendor site.";
  // Without a published checksum or size nothing would vouch for the bytes.
  if (offer.vendor == kDriverAmd && !IsSha256Text(offer.sha256)) {
    return L"The AMD index did not publish a checksum for the package.";
  }
  if (offer.vendor == kDriverNvidia && offer.sizeBytes == 0) {
    return L"NVIDIA did not give the package size, so the download cannot be checked.";
  }
  return {};
}

}  // namespace

std::wstring PackageFileName(const std::wstring& url) {
  const auto parts = SplitVendorUrl(url);
  std::wstring path = parts ? parts->path : std::wstring();
  path = path.substr(0, path.find(L'?'));
  std::wstring name = path.substr(path.find_last_of(L'/') + 1);
  if (name.empty() || name.size() > kMaxFileName || name.find(L"..") != std::wstring::npos) {
    return L"driver.exe";
  }
  for (wchar_t& c : name) {
    if (std::wstring(L"\"*:<>?\\|").find(c) != std::wstring::npos) c = L'_';
  }
  return name;
}

namespace gui {

int DownloadGpuDriver(Feed* feed, GpuDriverOffer& offer, const std::atomic<bool>* cancel) {
  auto& files = platform::Sys().files;
  // Step 1: only a found package with room for it.
  if (IsStopped(cancel)) return 2;
  if (!offer.found || offer.downloadUrl.empty() || !offer.spaceOk) {
    if (offer.message.empty()) offer.message = L"There is no package to download.";
    return 1;
  }
  // Step 2: the vendor's host, and something to verify the bytes against.
  if (const std::wstring refusal = RefuseOffer(offer); !refusal.empty()) {
    offer.message = refusal;
    return 1;
  }
  // Step 3: the driver folder, which goes into command lines quoted.
  const std::wstring folder = EnsureDriverFolder();
  if (folder.empty() || folder.find(L'"') != std::wstring::npos) {
    offer.message = L"The driver folder path is not usable.";
    return 1;
  }
  const std::wstring path = folder + L"\\" + PackageFileName(offer.downloadUrl);
  const std::wstring partial = path + L".partial";
  // Step 4: an earlier verified download of the same package is used as it is.
  if (CanReuse(offer, path)) {
    DriverLine(feed, L"Using the package already downloaded.");
    DriverProgress(feed, 1);
    offer.localPath = path;
    return 0;
  }
  ForgetPackageRecord();
  // Step 5: the download, hashed as it streams.
  DriverStatus(feed, L"downloading the driver package");
  DriverLine(feed, L"Downloading " +
                       (offer.packageName.empty() ? L"the driver" : offer.packageName) + L".");
  DriverProgress(feed, 0);
  Sha256 hash;
  std::wstring error;
  bool stopped = false;
  if (!FetchToPartial(feed, offer, partial, hash, error, stopped, cancel)) {
    (void)files.Delete(partial);
    if (stopped || IsStopped(cancel)) return 2;
    offer.message = error.empty() ? L"The download failed." : error;
    return 1;
  }
  // Step 6: the published hash, compared without regard to case.
  const std::wstring digest = hash.Finish();
  std::wstring failure;
  if (digest.empty()) {
    failure = L"Could not hash the package.";
  } else if (!offer.sha256.empty() && support::LowerCase(offer.sha256) != digest) {
    failure = L"The AMD package hash did not match the published hash.";
  } else if (!files.MoveReplace(partial, path).ok()) {
    failure = L"Could not finish saving the package.";
  } else {
    failure = CheckInstaller(path, offer.vendor == kDriverNvidia ? offer.sizeBytes : 0);
  }
  if (!failure.empty()) {
    (void)files.Delete(partial);
    (void)files.Delete(path);
    offer.message = failure;
    return 1;
  }
  // Step 7: the record that lets a later run reuse exactly these bytes.
  RecordPackage(path, digest);
  DriverProgress(feed, 1);
  DriverLine(feed, L"Download complete.");
  offer.localPath = path;
  return 0;
}

}  // namespace gui
