#include "update/https_get.h"

#include <memory>
#include <optional>
#include <vector>

#include "app/output.h"
#include "driver/sha256.h"
#include "driver/vendor_url.h"
#include "platform/files.h"
#include "platform/network.h"
#include "platform/system.h"
#include "support/text_match.h"
#include "update/update_address.h"

namespace update {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
// A published file sits at most a hop or two behind its address; more is a loop or a trap.
constexpr int kMaxRedirects = 5;
constexpr std::uint32_t kStatusOk = 200;
constexpr wchar_t kStopped[] = L"Stopped.";
constexpr wchar_t kNotStored[] = L"Could not store the download.";
constexpr wchar_t kSizeMismatch[] = L"The download size does not match the update list.";

bool IsCancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

bool IsRedirect(std::uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// WinHTTP's codes for a certificate that is missing, expired, for another name or not
// from a trusted root.
bool IsCertificateFailure(std::uint32_t code) {
  return code == 12175 || code == 12169 || code == 12037 || code == 12038 || code == 12044 ||
         code == 12045 || code == 12057;
}

std::wstring AddressRule(const UpdateEndpoints& hosts, bool is_download, const std::wstring& url) {
  return is_download ? CheckDownloadAddress(hosts, url) : CheckUpdateAddress(hosts, url);
}

platform::HttpRequest BuildRequest(const HttpsGetRequest& get, const VendorUrl& url) {
  platform::HttpRequest request;
  request.method = L"GET";
  request.secure = true;
  request.host = url.host;
  request.port = url.port;
  request.path = url.path;
  request.user_agent = get.user_agent;
  request.timeouts = {8000, 8000, 20000, get.is_download ? 30000u : 10000u};
  request.headers = get.is_download
                        ? L"Accept: application/octet-stream\r\nCache-Control: no-cache\r\n"
                        : L"Accept: application/json\r\nCache-Control: no-cache\r\n";
  return request;
}

// Only an absolute address or a path on the same host is followed; anything vaguer is
// refused rather than guessed at.
std::optional<std::wstring> NextAddress(const VendorUrl& from, const std::wstring& location) {
  if (location.starts_with(L"https://")) return location;
  if (!location.starts_with(L"/") || location.starts_with(L"//")) return std::nullopt;
  std::wstring next = L"https://" + from.host;
  if (from.port != 443) next += L":" + std::to_wstring(from.port);
  return next + location;
}

// Sends the request and each redirect's next one, once its address passed the same rule.
std::unique_ptr<platform::HttpResponse> Exchange(const UpdateEndpoints& hosts,
                                                 const HttpsGetRequest& get, VendorUrl url,
                                                 std::wstring& error) {
  const std::wstring away = get.is_download ? L"The download was redirected away from " +
                                                  support::LowerCase(hosts.download_host) + L"."
                                            : L"The update list was redirected away from " +
                                                  support::LowerCase(hosts.web_host) + L".";
  for (int hop = 0;; ++hop) {
    auto sent = platform::Sys().network.Send(BuildRequest(get, url));
    if (!sent) {
      error = IsCertificateFailure(sent.error().win32_error)
                  ? url.host + L" did not present a trusted certificate."
                  : url.host + L" could not be reached.";
      return nullptr;
    }
    std::unique_ptr<platform::HttpResponse> response = std::move(sent.value());
    if (!IsRedirect(response->Status())) return response;
    const std::optional<std::wstring> next = NextAddress(url, response->Location());
    if (hop == kMaxRedirects || !next || !AddressRule(hosts, get.is_download, *next).empty()) {
      error = away;
      return nullptr;
    }
    url = *SplitVendorUrl(*next);
  }
}

class BodySink {
 public:
  BodySink(const HttpsGetRequest& get, HttpsGetResponse& response)
      : get_(get), response_(response) {}

  bool Open() {
    if (get_.out_file.empty()) return true;
    auto stream = platform::Sys().files.CreateStream(get_.out_file);
    if (!stream) return false;
    opened_ = true;
    stream_ = std::move(stream.value());
    return true;
  }
  bool Take(std::string_view bytes) {
    if (!opened_) {
      response_.body.append(bytes);
      return true;
    }
    return stream_->Write(bytes).ok();
  }
  bool Close() {
    if (!stream_) return true;
    const bool closed = stream_->Close().ok();
    stream_.reset();
    return closed;
  }
  // Nothing half-received is left for anyone to pick up.
  void Discard() {
    if (!opened_) return;
    stream_.reset();
    (void)platform::Sys().files.Delete(get_.out_file);
  }

 private:
  const HttpsGetRequest& get_;
  HttpsGetResponse& response_;
  std::unique_ptr<platform::FileStream> stream_;
  bool opened_ = false;
};

// Reads the body under the cap, hashing each chunk; `error` set on failure.
void ReadBody(platform::HttpResponse& answer, const HttpsGetRequest& get, BodySink& sink,
              Sha256& hash, std::wstring& error) {
  const std::optional<std::uint64_t> announced = answer.ContentLength();
  const std::uint64_t total = announced.value_or(get.expected_size);
  std::vector<char> chunk(kChunk);
  std::uint64_t received = 0;
  for (;;) {
    if (IsCancelled(get.cancel)) {
      error = kStopped;
      return;
    }
    auto read = answer.Read(chunk.data(), chunk.size());
    if (!read) {
      error = L"The download stopped early.";
      return;
    }
    if (*read == 0) break;
    if (received + *read > get.max_bytes) {
      error = L"The download is larger than expected.";
      return;
    }
    received += *read;
    const std::string_view bytes(chunk.data(), *read);
    if (!sink.Take(bytes)) {
      error = kNotStored;
      return;
    }
    hash.Add(bytes);
    if (get.progress) get.progress(received, total);
  }
  // The announced length is the decoded length only when nothing was content-encoded; the
  // network layer gives none otherwise, and the list's size is checked on its own.
  if ((announced && *announced != received) ||
      (get.expected_size != 0 && get.expected_size != received)) {
    error = kSizeMismatch;
  }
}

}  // namespace

bool HttpsGet(const UpdateEndpoints& hosts, const HttpsGetRequest& get, HttpsGetResponse& response,
              std::wstring& error) {
  response = HttpsGetResponse{};
  error.clear();
  if (IsCancelled(get.cancel)) {
    error = kStopped;
    return false;
  }
  error = AddressRule(hosts, get.is_download, get.url);
  if (!error.empty()) return false;
  auto answer = Exchange(hosts, get, *SplitVendorUrl(get.url), error);
  if (!answer) return false;
  response.status = answer->Status();
  if (response.status == 404 && !get.is_download) {
    error = L"No update list is published at /veltrane/latest.json yet.";
    return false;
  }
  if (response.status != kStatusOk) {
    error = Format(L"The update server returned status %lu.",
                   static_cast<unsigned long>(response.status));
    return false;
  }
  const std::optional<std::uint64_t> announced = answer->ContentLength();
  if (announced &&
      (*announced > get.max_bytes || (get.expected_size != 0 && *announced != get.expected_size))) {
    error = kSizeMismatch;
    return false;
  }
  BodySink sink(get, response);
  if (!sink.Open()) {
    error = kNotStored;
    return false;
  }
  Sha256 hash;
  if (!hash.Start()) {
    sink.Discard();
    error = L"Could not verify the download.";
    return false;
  }
  ReadBody(*answer, get, sink, hash, error);
  if (error.empty() && !sink.Close()) error = kNotStored;
  if (error.empty()) {
    response.sha256 = hash.Finish();
    if (response.sha256.empty()) error = L"Could not verify the download.";
  }
  if (!error.empty()) {
    sink.Discard();
    return false;
  }
  return true;
}

}  // namespace update
