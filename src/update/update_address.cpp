#include "update/update_address.h"

#include <algorithm>

#include "driver/vendor_url.h"
#include "support/text_match.h"

namespace update {
namespace {

bool IsReleaseCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' ||
         c == L'_';
}

// The file part of the path in lower case: "/veltrane.exe" or "/veltrane-<release>.exe".
bool IsReleaseFile(const std::wstring& lowered_path) {
  if (lowered_path == L"/veltrane.exe") return true;
  constexpr std::wstring_view kPrefix = L"/veltrane-";
  constexpr std::wstring_view kSuffix = L".exe";
  if (lowered_path.size() <= kPrefix.size() + kSuffix.size() ||
      !lowered_path.starts_with(kPrefix) || !lowered_path.ends_with(kSuffix)) {
    return false;
  }
  const std::wstring release =
      lowered_path.substr(kPrefix.size(), lowered_path.size() - kPrefix.size() - kSuffix.size());
  return release.size() <= 64 && release.find(L"..") == std::wstring::npos &&
         std::all_of(release.begin(), release.end(), IsReleaseCharacter);
}

}  // namespace

std::wstring CheckUpdateAddress(const UpdateEndpoints& hosts, const std::wstring& url) {
  if (url.size() > 2048) return L"The update address is too long.";
  const std::optional<VendorUrl> parts = SplitVendorUrl(url);
  if (!parts || parts->scheme != L"https") return L"The update address is not https.";
  const std::wstring web = support::LowerCase(hosts.web_host);
  if (parts->host != web && parts->host != L"www." + web &&
      parts->host != support::LowerCase(hosts.download_host)) {
    return L"The update address is not on " + web + L".";
  }
  return L"";
}

std::wstring CheckDownloadAddress(const UpdateEndpoints& hosts, const std::wstring& url) {
  if (std::wstring error = CheckUpdateAddress(hosts, url); !error.empty()) return error;
  const VendorUrl parts = *SplitVendorUrl(url);
  const std::wstring download = support::LowerCase(hosts.download_host);
  if (parts.host != download || parts.port != 443) {
    return L"The update file is not on " + download + L".";
  }
  if (!IsReleaseFile(support::LowerCase(parts.path.substr(0, parts.path.find(L'?'))))) {
    return L"The update file must be " + download +
           L"/Veltrane.exe or a file Veltrane-<release>.exe.";
  }
  return L"";
}

}  // namespace update
