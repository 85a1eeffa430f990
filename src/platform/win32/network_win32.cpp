#include "platform/win32/network_win32.h"

#include <windows.h>
#include <winhttp.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/win32/system_module.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

// winhttp.dll is not a KnownDLL, so it is bound from System32 (see SystemModule).
struct WinHttpCalls {
  decltype(&::WinHttpAddRequestHeaders) AddRequestHeaders;
  decltype(&::WinHttpCloseHandle) CloseHandle;
  decltype(&::WinHttpConnect) Connect;
  decltype(&::WinHttpOpen) Open;
  decltype(&::WinHttpOpenRequest) OpenRequest;
  decltype(&::WinHttpQueryHeaders) QueryHeaders;
  decltype(&::WinHttpReadData) ReadData;
  decltype(&::WinHttpReceiveResponse) ReceiveResponse;
  decltype(&::WinHttpSendRequest) SendRequest;
  decltype(&::WinHttpSetOption) SetOption;
  decltype(&::WinHttpSetTimeouts) SetTimeouts;
  bool complete = false;
};

const WinHttpCalls& WinHttp() {
  static const WinHttpCalls bound = [] {
    win32::SystemModule dll(L"winhttp.dll");
    WinHttpCalls calls{};
    calls.AddRequestHeaders = VELTRANE_BIND(dll, WinHttpAddRequestHeaders);
    calls.CloseHandle = VELTRANE_BIND(dll, WinHttpCloseHandle);
    calls.Connect = VELTRANE_BIND(dll, WinHttpConnect);
    calls.Open = VELTRANE_BIND(dll, WinHttpOpen);
    calls.OpenRequest = VELTRANE_BIND(dll, WinHttpOpenRequest);
    calls.QueryHeaders = VELTRANE_BIND(dll, WinHttpQueryHeaders);
    calls.ReadData = VELTRANE_BIND(dll, WinHttpReadData);
    calls.ReceiveResponse = VELTRANE_BIND(dll, WinHttpReceiveResponse);
    calls.SendRequest = VELTRANE_BIND(dll, WinHttpSendRequest);
    calls.SetOption = VELTRANE_BIND(dll, WinHttpSetOption);
    calls.SetTimeouts = VELTRANE_BIND(dll, WinHttpSetTimeouts);
    calls.complete = dll.complete();
    return calls;
  }();
  return bound;
}

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static constexpr Handle kNone = nullptr;
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { WinHttp().CloseHandle(h); }
};

using UniqueInternet = win32::UniqueResource<InternetHandleTraits>;

support::PortError StepError(const wchar_t* step) {
  return support::Fail(support::ErrorCode::kFailed, step, ::GetLastError());
}

// A header as text; empty when the response has none.
std::wstring QueryText(HINTERNET request, DWORD info) {
  DWORD bytes = 0;
  WinHttp().QueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                         WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  if (!WinHttp().QueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                              WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

std::optional<std::uint64_t> ParseLength(const std::wstring& text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return value;
}

class Win32Response final : public HttpResponse {
 public:
  Win32Response(UniqueInternet session, UniqueInternet connection, UniqueInternet request)
      : session_(std::move(session)),
        connection_(std::move(connection)),
        request_(std::move(request)) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    WinHttp().QueryHeaders(request_.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    status_ = status;
    // A decoded body is longer than the length the server announced for its encoding.
    const std::wstring encoding = QueryText(request_.Get(), WINHTTP_QUERY_CONTENT_ENCODING);
    if (encoding.empty() || encoding == L"identity") {
      length_ = ParseLength(QueryText(request_.Get(), WINHTTP_QUERY_CONTENT_LENGTH));
    }
    location_ = QueryText(request_.Get(), WINHTTP_QUERY_LOCATION);
  }

  std::uint32_t Status() const override { return status_; }
  std::optional<std::uint64_t> ContentLength() const override { return length_; }
  std::wstring Location() const override { return location_; }

  support::Result<std::size_t> Read(char* buffer, std::size_t capacity) override {
    const DWORD want = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(capacity);
    DWORD got = 0;
    if (!WinHttp().ReadData(request_.Get(), buffer, want, &got)) {
      return win32::LastError(L"WinHttpReadData");
    }
    return static_cast<std::size_t>(got);
  }

 private:
  UniqueInternet session_;
  UniqueInternet connection_;
  UniqueInternet request_;
  std::uint32_t status_ = 0;
  std::optional<std::uint64_t> length_;
  std::wstring location_;
};

UniqueInternet OpenSession(const std::wstring& agent) {
  // Windows 8.1 and later pick the system's or the user's proxy themselves; older
  // systems (and Wine) reject the flag and take the default proxy setting.
  UniqueInternet session(WinHttp().Open(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    session.Reset(WinHttp().Open(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  }
  return session;
}

}  // namespace

support::Result<std::unique_ptr<HttpResponse>> Win32Network::Send(const HttpRequest& request) {
  // Step 1: the session with its time-outs.
  if (!WinHttp().complete) {
    return support::Fail(support::ErrorCode::kUnsupported, L"winhttp.dll", ERROR_PROC_NOT_FOUND);
  }
  UniqueInternet session = OpenSession(request.user_agent);
  if (!session) return StepError(kHttpSessionStep);
  const HttpTimeouts& t = request.timeouts;
  if (!WinHttp().SetTimeouts(session.Get(), static_cast<int>(t.resolve_ms),
                             static_cast<int>(t.connect_ms), static_cast<int>(t.send_ms),
                             static_cast<int>(t.receive_ms))) {
    return StepError(kHttpSessionStep);
  }
  // Step 2: the connection and the request, redirects left to the caller's judgement.
  UniqueInternet connection(WinHttp().Connect(session.Get(), request.host.c_str(),
                                              static_cast<INTERNET_PORT>(request.port), 0));
  if (!connection) return StepError(kHttpRequestStep);
  UniqueInternet handle(WinHttp().OpenRequest(
      connection.Get(), request.method.c_str(), request.path.c_str(), nullptr, WINHTTP_NO_REFERER,
      WINHTTP_DEFAULT_ACCEPT_TYPES, request.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!handle) return StepError(kHttpRequestStep);
  DWORD no_redirects = WINHTTP_DISABLE_REDIRECTS;
  if (!WinHttp().SetOption(handle.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &no_redirects,
                           sizeof(no_redirects))) {
    return StepError(kHttpRequestStep);
  }
  // Decoding is a convenience (Windows 8.1 and later); without it the body is identity.
  DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL;
  WinHttp().SetOption(handle.Get(), WINHTTP_OPTION_DECOMPRESSION, &decompression,
                      sizeof(decompression));
  if (!request.headers.empty() &&
      !WinHttp().AddRequestHeaders(handle.Get(), request.headers.c_str(),
                                   static_cast<DWORD>(request.headers.size()),
                                   WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
    return StepError(kHttpRequestStep);
  }
  // Step 3: send and wait for the response headers.
  void* body =
      request.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(request.body.data());
  const DWORD body_size = static_cast<DWORD>(request.body.size());
  if (!WinHttp().SendRequest(handle.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, body, body_size,
                             body_size, 0) ||
      !WinHttp().ReceiveResponse(handle.Get(), nullptr)) {
    return StepError(kHttpExchangeStep);
  }
  return std::unique_ptr<HttpResponse>(std::make_unique<Win32Response>(
      std::move(session), std::move(connection), std::move(handle)));
}

}  // namespace platform
