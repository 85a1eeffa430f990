// The vendors' answers are read by hand-written scanners: NVIDIA's lookup response, AMD's
// install script and the package address that comes out of them. Any bytes must be read
// without a crash, and whatever address they yield must be judged by the host rules.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "driver/driver_download.h"
#include "driver/response_scan.h"
#include "driver/vendor_url.h"
#include "support/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const NvidiaPackage package = ScanNvidiaResponse(text);
  const AmdScript script = ScanAmdScript(text);
  for (const std::string* url : {&package.url, &script.url}) {
    const std::wstring wide = support::FromUtf8(*url);
    const auto parts = SplitVendorUrl(wide);
    // Whatever passes a role is https on an exact, plain host name.
    if (UrlPassesRole(kRoleNvidiaDownload, wide) && (!parts || parts->scheme != L"https"))
      __builtin_trap();
    const std::wstring name = PackageFileName(wide);
    if (name.empty() || name.size() > 160 ||
        name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
      __builtin_trap();
    }
  }
  return 0;
}
