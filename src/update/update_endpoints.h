// The only hosts the update ever contacts. Fixed in the program: nothing read at run time
// can point the update elsewhere; tests hand loopback endpoints to the inner functions.
#pragma once

#include <string>

namespace update {

struct UpdateEndpoints {
  std::wstring web_host;       // the update list and the download counter
  std::wstring download_host;  // the release files, port 443 only
};

inline const UpdateEndpoints kShippedEndpoints{L"orvandel.com", L"download.orvandel.com"};

}  // namespace update
