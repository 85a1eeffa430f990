#include "driver/amd_index.h"

#include "app/command_runner.h"
#include "driver/driver_folder.h"
#include "driver/response_scan.h"
#include "driver/run_process.h"
#include "driver/sha256.h"
#include "driver/vendor_fetch.h"
#include "driver/vendor_url.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/text_match.h"
#include "support/utf.h"

namespace {

constexpr wchar_t kIndexPath[] = L"/api/v2/package/amd-software-adrenalin-edition";
constexpr std::uint64_t kMaxIndex = 8ull << 20;
constexpr std::size_t kMaxScript = 1u << 20;
constexpr std::uint32_t kTarLimitMs = 60000;

// The install script's text from the unpacked index; empty when there is none.
std::string ReadInstallScript(const std::wstring& folder) {
  auto& files = platform::Sys().files;
  const std::wstring tools = folder + L"\\tools";
  const auto entries = files.ListEntries(tools);
  if (!entries) return {};
  for (const auto& entry : *entries) {
    const std::wstring name = support::LowerCase(entry.name);
    const std::wstring tail = L"chocolateyinstall.ps1";
    if (entry.is_directory || entry.is_reparse_point || name.size() < tail.size() ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
      continue;
    }
    return files.ReadBytes(tools + L"\\" + entry.name, 0, kMaxScript).value_or(std::string());
  }
  return {};
}

// Downloads the index package into `nupkg` and unpacks it into `folder`.
bool FetchAndUnpack(const std::wstring& nupkg, const std::wstring& folder, std::wstring& error,
                    const std::atomic<bool>* cancel) {
  auto& files = platform::Sys().files;
  auto stream = files.CreateStream(nupkg);
  if (!stream || !files.CreateDirectory(folder).ok()) {
    error = L"Could not store the AMD version index.";
    return false;
  }
  FetchResult result;
  const bool fetched = FetchFromVendor(
      kRolePackageRepository, L"GET",
      std::wstring(L"https://") + kPackageRepositoryHost + kIndexPath, true, kMaxIndex,
      [&](const char* bytes, std::size_t length, std::uint64_t, std::uint64_t) {
        return (*stream)->Write(std::string_view(bytes, length)).ok();
      },
      result, error, cancel);
  const bool closed = (*stream)->Close().ok();
  if (!fetched) return false;
  if (!closed) {
    error = L"Could not store the AMD version index.";
    return false;
  }
  const std::wstring tar = SystemToolPath(L"tar.exe");
  const ProcessOutcome untarred =
      RunProcess(tar, Quoted(tar) + L" -xf " + Quoted(nupkg) + L" -C " + Quoted(folder), L"",
                 kTarLimitMs, true, true);
  if (!untarred.started || untarred.timedOut || untarred.exitCode != 0) {
    error = L"The AMD driver index could not be read.";
    return false;
  }
  return true;
}

}  // namespace

namespace gui {

bool LookupAmdIndex(std::wstring& url, std::wstring& sha256, std::wstring& version,
                    std::wstring& error, const std::atomic<bool>* cancel) {
  url.clear();
  sha256.clear();
  version.clear();
  error.clear();
  auto& files = platform::Sys().files;
  // Step 1: a fresh file and folder for the index in the driver folder.
  const std::wstring folder = EnsureDriverFolder();
  if (folder.empty()) {
    error = L"Could not store the AMD version index.";
    return false;
  }
  const std::wstring nupkg = folder + L"\\amd-index.nupkg";
  const std::wstring unpacked = folder + L"\\amd-index";
  (void)files.Delete(nupkg);
  if (files.IsDirectory(unpacked)) (void)files.DeleteTree(unpacked);
  // Step 2: the package, unpacked with Windows' tar; the package file goes either way.
  const bool unpacked_ok = FetchAndUnpack(nupkg, unpacked, error, cancel);
  (void)files.Delete(nupkg);
  // Step 3: the address and checksum the install script names.
  const AmdScript script = unpacked_ok ? ScanAmdScript(ReadInstallScript(unpacked)) : AmdScript{};
  if (files.IsDirectory(unpacked)) (void)files.DeleteTree(unpacked);
  if (!unpacked_ok) return false;
  if (script.url.empty()) {
    error = L"The AMD driver index did not name a package.";
    return false;
  }
  // Step 4: only AMD's own download host.
  const std::wstring found = support::FromUtf8(script.url);
  const std::wstring official = std::wstring(L"https://") + kAmdDownloadHost + L"/";
  if (found.compare(0, official.size(), official) != 0 || !UrlPassesRole(kRoleAmdDownload, found)) {
    error = L"The AMD index did not point at an official package.";
    return false;
  }
  // Step 5: without its checksum the package could not be verified, so it is not offered.
  const std::wstring checksum = support::LowerCase(support::FromUtf8(script.checksum));
  if (!IsSha256Text(checksum)) {
    error = L"The AMD index did not publish a checksum for the package.";
    return false;
  }
  url = found;
  sha256 = checksum;
  const std::size_t edition = found.find(L"edition-");
  if (edition != std::wstring::npos) {
    const std::size_t start = edition + 8;
    version = found.substr(start, found.find(L'-', start) - start);
  }
  return true;
}

}  // namespace gui
