// Vendor addresses: the hosts the program may fetch from, by role, and the strict split
// of an https address into host, port and path. Host names are compared in lower case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Host roles of the vendor fetch.
enum VendorRole : int {
  kRoleNvidiaLookup = 0,
  kRoleNvidiaDownload = 1,
  kRoleAmdDownload = 2,
  kRolePackageRepository = 3,
  kRoleSevenZip = 4,
  kRoleArchiveMirror = 5,
};

inline constexpr wchar_t kNvidiaLookupHost[] = L"gfwsl.geforce.com";
inline constexpr wchar_t kNvidiaDownloadHost[] = L"download.nvidia.com";
inline constexpr wchar_t kAmdDownloadHost[] = L"drivers.amd.com";
inline constexpr wchar_t kPackageRepositoryHost[] = L"community.chocolatey.org";
inline constexpr wchar_t kPackageFilesHost[] = L"packages.chocolatey.org";
inline constexpr wchar_t kSevenZipHost[] = L"www.7-zip.org";
inline constexpr wchar_t kSevenZipBareHost[] = L"7-zip.org";
inline constexpr wchar_t kSourceHost[] = L"github.com";
inline constexpr wchar_t kReleaseAssetHost[] = L"objects.githubusercontent.com";
inline constexpr wchar_t kArchiveMirrorHost[] = L"ftp.nluug.nl";
// AMD's download host serves packages only to a visitor that came from its download page.
inline constexpr wchar_t kAmdDriverPage[] = L"https://www.amd.com/en/support/download/drivers.html";

struct VendorUrl {
  std::wstring scheme;  // lower case
  std::wstring host;    // lower case
  std::uint16_t port = 443;
  std::wstring path;  // from the first "/" (or "/" when none), query included
};

// Splits an absolute address. nullopt for anything but scheme "://" host [":" port]
// [path]: user names, empty or malformed hosts, ports outside 1-65535, blanks and
// control characters, and addresses longer than 2048 characters are all refused.
std::optional<VendorUrl> SplitVendorUrl(const std::wstring& url);

// Whether `host` (any case) is allowed for `role`; unknown roles allow no host.
bool HostPassesRole(int role, const std::wstring& host);

// Whether `url` is an https address whose host passes `role`.
bool UrlPassesRole(int role, const std::wstring& url);
