#include "driver/vendor_url.h"

#include <cwctype>

namespace {

constexpr std::size_t kMaxUrl = 2048;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Letters, digits, '-' and '.', with no empty label: nothing a resolver would read
// differently from the text the role check saw.
bool IsPlainHostName(const std::wstring& host) {
  if (host.empty() || host.front() == L'.' || host.back() == L'.') return false;
  if (host.find(L"..") != std::wstring::npos) return false;
  for (const wchar_t c : host) {
    const bool plain =
        (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.';
    if (!plain) return false;
  }
  return true;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::optional<VendorUrl> SplitVendorUrl(const std::wstring& url) {
  if (url.size() > kMaxUrl) return std::nullopt;
  for (const wchar_t c : url) {
    if (c <= L' ' || c == 0x7F) return std::nullopt;
  }
  const std::size_t colon = url.find(L"://");
  if (colon == std::wstring::npos || colon == 0) return std::nullopt;
  VendorUrl parts;
  parts.scheme = Lower(url.substr(0, colon));
  const std::size_t host_start = colon + 3;
  const std::size_t authority_end = url.find_first_of(L"/?#", host_start);
  const std::wstring authority = url.substr(host_start, authority_end - host_start);
  // A user name before "@" would make the visible host a decoy.
  if (authority.find(L'@') != std::wstring::npos) return std::nullopt;
  const std::size_t port_colon = authority.find(L':');
  parts.host = Lower(authority.substr(0, port_colon));
  if (!IsPlainHostName(parts.host)) return std::nullopt;
  parts.port = parts.scheme == L"http" ? 80 : 443;
  if (port_colon != std::wstring::npos) {
    const std::wstring digits = authority.substr(port_colon + 1);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    std::uint32_t port = 0;
    for (const wchar_t c : digits) {
      if (c < L'0' || c > L'9') return std::nullopt;
      port = port * 10 + static_cast<std::uint32_t>(c - L'0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    parts.port = static_cast<std::uint16_t>(port);
  }
  parts.path = authority_end == std::wstring::npos ? L"/" : url.substr(authority_end);
  // The fragment never goes to the server.
  const std::size_t hash = parts.path.find(L'#');
  if (hash != std::wstring::npos) parts.path.erase(hash);
  if (parts.path.empty() || parts.path.front() != L'/') parts.path.insert(0, L"/");
  return parts;
}

bool HostPassesRole(int role, const std::wstring& host) {
  const std::wstring h = Lower(host);
  switch (role) {
    case kRoleNvidiaLookup:
      return h == kNvidiaLookupHost;
    case kRoleNvidiaDownload:
      return h == kNvidiaDownloadHost || EndsWith(h, std::wstring(L".") + kNvidiaDownloadHost);
    case kRoleAmdDownload:
      return h == kAmdDownloadHost;
    case kRolePackageRepository:
      return h == kPackageRepositoryHost || h == kPackageFilesHost;
    case kRoleSevenZip:
      return h == kSevenZipHost || h == kSevenZipBareHost || h == kSourceHost ||
             h == kReleaseAssetHost;
    case kRoleArchiveMirror:
      return h == kArchiveMirrorHost;
    default:
      return false;
  }
}

bool UrlPassesRole(int role, const std::wstring& url) {
  const auto parts = SplitVendorUrl(url);
  return parts && parts->scheme == L"https" && HostPassesRole(role, parts->host);
}
