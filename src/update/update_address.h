// The rules an address from the update list, or reached by a redirect, must pass before it
// is contacted.
#pragma once

#include <string>

#include "update/update_endpoints.h"

namespace update {

// Empty when `url` is an https address, without a user name, on the web host, the web host
// with "www." or the download host; otherwise the reason, for the user.
std::wstring CheckUpdateAddress(const UpdateEndpoints& hosts, const std::wstring& url);

// Empty when `url` also lies on the download host's port 443 and names "/Veltrane.exe" or
// "/Veltrane-<release>.exe" (release: 1-64 letters, digits, "-", "." or "_", never "..").
std::wstring CheckDownloadAddress(const UpdateEndpoints& hosts, const std::wstring& url);

}  // namespace update
