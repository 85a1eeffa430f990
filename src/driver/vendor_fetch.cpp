#include "driver/vendor_fetch.h"

#include <memory>
#include <optional>
#include <vector>

#include "app/output.h"
#include "driver/vendor_url.h"
#include "platform/network.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kUserAgent[] = L"NvBackend/36.0.0.0";
constexpr wchar_t kBrowserAgent[] = L"User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)\r\n";
constexpr platform::HttpTimeouts kTimeouts{20000, 20000, 60000, 30000};
constexpr std::size_t kChunk = 64 * 1024;
// As many hops as WinHTTP itself would follow.
constexpr int kMaxRedirects = 10;
constexpr std::uint32_t kRedirectFailed = 12156;  // ERROR_WINHTTP_REDIRECT_FAILED
constexpr std::uint32_t kStatusOk = 200;

bool IsCancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

bool IsRedirect(std::uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::wstring ExchangeMessage(const support::PortError& error) {
  if (error.what == platform::kHttpSessionStep) {
    return Format(L"Could not open the network (%u).", error.win32_error);
  }
  if (error.what == platform::kHttpRequestStep) {
    return Format(L"Could not start the request (%u).", error.win32_error);
  }
  return Format(L"The vendor site did not answer (%u).", error.win32_error);
}

platform::HttpRequest BuildRequest(int role, const std::wstring& method, const VendorUrl& url,
                                   bool browserHeaders) {
  platform::HttpRequest request;
  request.method = method;
  request.secure = true;
  request.host = url.host;
  request.port = url.port;
  request.path = url.path;
  request.user_agent = kUserAgent;
  request.timeouts = kTimeouts;
  if (browserHeaders) {
    request.headers = kBrowserAgent;
    if (role == kRoleAmdDownload)
      request.headers += std::wstring(L"Referer: ") + kAmdDriverPage + L"\r\n";
  }
  return request;
}

// A Location may be absolute or relative to the current host.
std::wstring ResolveLocation(const VendorUrl& from, const std::wstring& location) {
  if (location.find(L"://") != std::wstring::npos) return location;
  if (location.rfind(L"//", 0) == 0) return from.scheme + L":" + location;
  std::wstring base = from.scheme + L"://" + from.host;
  if (from.port != 443) base += L":" + std::to_wstring(from.port);
  if (!location.empty() && location.front() == L'/') return base + location;
  const std::wstring folder = from.path.substr(0, from.path.find_last_of(L'/') + 1);
  return base + folder + location;
}

// Sends the request, and each redirect's next request once its address passed the role.
// Returns the final response, or null with `error` set.
std::unique_ptr<platform::HttpResponse> Exchange(int role, std::wstring method, VendorUrl url,
                                                 bool browserHeaders, FetchResult& result,
                                                 std::wstring& error) {
  for (int hop = 0;; ++hop) {
    auto sent = platform::Sys().network.Send(BuildRequest(role, method, url, browserHeaders));
    if (!sent) {
      error = ExchangeMessage(sent.error());
      return nullptr;
    }
    std::unique_ptr<platform::HttpResponse> response = std::move(sent.value());
    if (!IsRedirect(response->Status()) || response->Location().empty()) return response;
    if (hop == kMaxRedirects) {
      error = Format(L"The vendor site did not answer (%u).", kRedirectFailed);
      return nullptr;
    }
    // Step: the next hop must be https on the same role's hosts before it is contacted.
    const std::wstring next = ResolveLocation(url, response->Location());
    const auto parts = SplitVendorUrl(next);
    if (!parts || parts->scheme != L"https" || !HostPassesRole(role, parts->host)) {
      error = L"The download was redirected away from the vendor site.";
      return nullptr;
    }
    result.finalUrl = next;
    url = *parts;
    if (response->Status() == 303 && method != L"HEAD") method = L"GET";
  }
}

bool ReadBody(platform::HttpResponse& response, std::uint64_t maxBytes, const FetchSink& sink,
              FetchResult& result, std::wstring& error, const std::atomic<bool>* cancel) {
  std::vector<char> chunk(kChunk);
  const std::optional<std::uint64_t> announced = response.ContentLength();
  std::uint64_t total = 0;
  for (;;) {
    if (IsCancelled(cancel)) {
      result.stopped = true;
      error = L"Stopped.";
      return false;
    }
    auto read = response.Read(chunk.data(), chunk.size());
    if (!read) {
      error = Format(L"The download stopped early (%u).", read.error().win32_error);
      return false;
    }
    if (*read == 0) break;
    total += *read;
    if (total > maxBytes) {
      error = L"The download is larger than a display-driver package should be.";
      return false;
    }
    // A server that sends more than it announced is not sending the file it described.
    if (announced && total > *announced) {
      error = L"The download is longer than the vendor site announced.";
      return false;
    }
    if (sink) {
      if (!sink(chunk.data(), *read, total, result.contentLength)) {
        result.stopped = IsCancelled(cancel);
        error = result.stopped ? L"Stopped." : L"Could not save the download.";
        return false;
      }
    } else {
      result.body.append(chunk.data(), *read);
    }
  }
  if (announced && *announced != total) {
    error = L"The download ended early.";
    return false;
  }
  return true;
}

}  // namespace

bool FetchFromVendor(int role, const std::wstring& method, const std::wstring& url,
                     bool browserHeaders, std::uint64_t maxBytes, const FetchSink& sink,
                     FetchResult& result, std::wstring& error, const std::atomic<bool>* cancel) {
  result = FetchResult{};
  error.clear();
  // Step 1: a cancel that came first contacts nobody.
  if (IsCancelled(cancel)) {
    result.stopped = true;
    error = L"Stopped.";
    return false;
  }
  // Step 2: https on an allowed host, checked before any byte leaves the machine.
  const auto parts = SplitVendorUrl(url);
  if (!parts || parts->scheme != L"https") {
    error = L"The address is not an https vendor URL.";
    return false;
  }
  if (!HostPassesRole(role, parts->host)) {
    error = L"The address is not on the vendor site.";
    return false;
  }
  // Step 3: the exchange, every redirect hop re-checked.
  result.finalUrl = url;
  auto response = Exchange(role, method, *parts, browserHeaders, result, error);
  if (!response) return false;
  result.status = response->Status();
  result.contentLength = response->ContentLength().value_or(0);
  if (result.status != kStatusOk) {
    error = Format(L"The vendor site returned status %u.", result.status);
    return false;
  }
  if (method == L"HEAD") return true;
  // Step 4: an announced body beyond the cap is refused before it is read.
  if (result.contentLength > maxBytes) {
    error = L"The download is larger than a display-driver package should be.";
    return false;
  }
  return ReadBody(*response, maxBytes, sink, result, error, cancel);
}
