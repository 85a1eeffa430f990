// SimNetwork: canned HTTP responses by URL, and a log of every request sent, so a test
// can prove which hosts were contacted and how often. A URL is written as the request
// reaches the wire: "https://host/path?query" (":port" only when not the scheme's own).
// A URL without a canned response does not resolve (12007), as an unknown host would.
// A HEAD request gets the GET answer's status and headers without its body, as from a
// server.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/network.h"

namespace platform {

struct SimHttpResponse {
  std::uint32_t status = 200;
  std::string body;
  // The body continues with zero bytes up to this size (large packages without holding
  // them in memory); 0 means the body is exactly `body`.
  std::uint64_t padded_size = 0;
  // Announced Content-Length; nullopt sends none (a chunked body).
  std::optional<std::uint64_t> content_length;
  // Content-Encoding ("gzip"); empty sends none. `body` is what the transport hands out
  // once decoded, and the length, which counts the encoded bytes, is withheld as the
  // port promises.
  std::wstring content_encoding;
  std::wstring location;
  // The most one Read hands out, so a body arrives in several pieces.
  std::size_t piece_size = 16 * 1024;
  // The connection breaks once this many body bytes were read (Read fails with 12030).
  std::optional<std::uint64_t> read_error_at;
  // Send itself fails: the step (kHttpSessionStep, ...) and the system code.
  std::wstring fail_step;
  std::uint32_t fail_code = 0;

  // 200 with `body`, its length announced.
  static SimHttpResponse Ok(std::string body);
  // `status` (301, 302, ...) pointing at `location`, with an empty body.
  static SimHttpResponse Redirect(std::wstring location, std::uint32_t status = 302);
  // The full size of the body (`padded_size` or the size of `body`).
  std::uint64_t BodySize() const;
};

struct SimHttpExchange {
  std::wstring method;
  std::wstring url;
  std::wstring user_agent;
  std::wstring headers;
  HttpTimeouts timeouts;
  std::string body;
};

class SimNetwork final : public Network {
 public:
  support::Result<std::unique_ptr<HttpResponse>> Send(const HttpRequest& request) override;

  // Test controls.
  void Serve(const std::wstring& url, SimHttpResponse response);
  void Remove(const std::wstring& url);
  // Every request fails to send (12029, no connection), as with the cable pulled.
  void SetOffline(bool offline);
  std::vector<SimHttpExchange> log();
  // Requests sent to `host` (lower case) so far.
  std::size_t CountFor(const std::wstring& host);
  static std::wstring UrlOf(const HttpRequest& request);

 private:
  std::mutex mutex_;
  std::map<std::wstring, SimHttpResponse> responses_;
  std::vector<SimHttpExchange> log_;
  bool offline_ = false;
};

}  // namespace platform
