// Network port: one HTTP exchange at a time, transport only. The caller decides which
// hosts, schemes and redirects are acceptable and how much to read; the adapter sends
// exactly the request it is given, never follows a redirect itself and reports what came
// back (status, length, Location) so the caller can judge the next hop before any byte
// goes to another host.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "support/result.h"

namespace platform {

struct HttpTimeouts {
  std::uint32_t resolve_ms = 0;
  std::uint32_t connect_ms = 0;
  std::uint32_t send_ms = 0;
  std::uint32_t receive_ms = 0;
};

struct HttpRequest {
  std::wstring method;  // "GET", "HEAD" or "POST"
  bool secure = true;   // TLS; plain HTTP exists only for the loopback contract suite
  std::wstring host;
  std::uint16_t port = 443;
  std::wstring path;  // path and query, beginning with "/"
  std::wstring user_agent;
  // Extra header lines, each ending in "\r\n"; may be empty.
  std::wstring headers;
  HttpTimeouts timeouts;
  std::string body;  // sent as is; empty for GET and HEAD
};

// The step of an exchange that failed, in PortError::what, so callers can word it.
inline constexpr wchar_t kHttpSessionStep[] = L"session";    // no network stack or proxy
inline constexpr wchar_t kHttpRequestStep[] = L"request";    // connect or open the request
inline constexpr wchar_t kHttpExchangeStep[] = L"exchange";  // send, or receive the headers

// An answered request whose body may still be read.
class HttpResponse {
 public:
  virtual ~HttpResponse() = default;
  virtual std::uint32_t Status() const = 0;
  // Content-Length as announced; nullopt when the server gave none (chunked, or closed),
  // or when the body is content-encoded: the length then counts the encoded bytes, while
  // Read hands out decoded ones.
  virtual std::optional<std::uint64_t> ContentLength() const = 0;
  // The Location header of a redirect; empty when there is none.
  virtual std::wstring Location() const = 0;
  // Up to `capacity` body bytes into `buffer`; 0 at the end of the body. A connection
  // that breaks mid-body is an error (kFailed with the system code); one that closes
  // cleanly before the announced length simply ends early, and the caller compares.
  virtual support::Result<std::size_t> Read(char* buffer, std::size_t capacity) = 0;
};

class Network {
 public:
  virtual ~Network() = default;
  // Sends `request` and waits for the response headers, with gzip and deflate decoded
  // and redirects NOT followed. Errors carry the failing step (kHttpSessionStep, ...) in
  // `what` and the system code in `win32_error`.
  virtual support::Result<std::unique_ptr<HttpResponse>> Send(const HttpRequest& request) = 0;
};

}  // namespace platform
