#include "platform/sim/network_sim.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace platform {
namespace {

constexpr std::uint32_t kCannotConnect = 12029;  // ERROR_WINHTTP_CANNOT_CONNECT
constexpr std::uint32_t kNameNotResolved = 12007;
constexpr std::uint32_t kConnectionError = 12030;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

class SimResponseBody final : public HttpResponse {
 public:
  explicit SimResponseBody(SimHttpResponse canned) : canned_(std::move(canned)) {}

  std::uint32_t Status() const override { return canned_.status; }
  std::optional<std::uint64_t> ContentLength() const override {
    const bool encoded =
        !canned_.content_encoding.empty() && Lower(canned_.content_encoding) != L"identity";
    return encoded ? std::nullopt : canned_.content_length;
  }
  std::wstring Location() const override { return canned_.location; }

  support::Result<std::size_t> Read(char* buffer, std::size_t capacity) override {
    if (canned_.read_error_at && offset_ >= *canned_.read_error_at) {
      return support::Fail(support::ErrorCode::kFailed, L"WinHttpReadData", kConnectionError);
    }
    std::uint64_t end = canned_.BodySize();
    if (canned_.read_error_at) end = std::min(end, *canned_.read_error_at);
    const std::size_t count = static_cast<std::size_t>(
        std::min<std::uint64_t>({end - offset_, capacity, canned_.piece_size}));
    // Bytes past the stored body are the zero padding.
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t at = offset_ + i;
      buffer[i] = at < canned_.body.size() ? canned_.body[static_cast<std::size_t>(at)] : '\0';
    }
    offset_ += count;
    return count;
  }

 private:
  SimHttpResponse canned_;
  std::uint64_t offset_ = 0;
};

}  // namespace

SimHttpResponse SimHttpResponse::Ok(std::string body) {
  SimHttpResponse response;
  response.content_length = body.size();
  response.body = std::move(body);
  return response;
}

SimHttpResponse SimHttpResponse::Redirect(std::wstring location, std::uint32_t status) {
  SimHttpResponse response;
  response.status = status;
  response.location = std::move(location);
  response.content_length = 0;
  return response;
}

std::uint64_t SimHttpResponse::BodySize() const {
  return std::max<std::uint64_t>(padded_size, body.size());
}

std::wstring SimNetwork::UrlOf(const HttpRequest& request) {
  const bool default_port = request.port == (request.secure ? 443 : 80);
  return std::wstring(request.secure ? L"https://" : L"http://") + Lower(request.host) +
         (default_port ? L"" : L":" + std::to_wstring(request.port)) + request.path;
}

support::Result<std::unique_ptr<HttpResponse>> SimNetwork::Send(const HttpRequest& request) {
  std::lock_guard lock(mutex_);
  const std::wstring url = UrlOf(request);
  log_.push_back(
      {request.method, url, request.user_agent, request.headers, request.timeouts, request.body});
  if (offline_)
    return support::Fail(support::ErrorCode::kFailed, kHttpExchangeStep, kCannotConnect);
  const auto it = responses_.find(url);
  if (it == responses_.end()) {
    return support::Fail(support::ErrorCode::kNotFound, kHttpExchangeStep, kNameNotResolved);
  }
  if (!it->second.fail_step.empty()) {
    return support::Fail(support::ErrorCode::kFailed, it->second.fail_step, it->second.fail_code);
  }
  SimHttpResponse canned = it->second;
  // A HEAD answer carries the headers only.
  if (request.method == L"HEAD") {
    canned.body.clear();
    canned.padded_size = 0;
  }
  return std::unique_ptr<HttpResponse>(std::make_unique<SimResponseBody>(std::move(canned)));
}

void SimNetwork::Serve(const std::wstring& url, SimHttpResponse response) {
  std::lock_guard lock(mutex_);
  responses_[url] = std::move(response);
}

void SimNetwork::Remove(const std::wstring& url) {
  std::lock_guard lock(mutex_);
  responses_.erase(url);
}

void SimNetwork::SetOffline(bool offline) {
  std::lock_guard lock(mutex_);
  offline_ = offline;
}

std::vector<SimHttpExchange> SimNetwork::log() {
  std::lock_guard lock(mutex_);
  return log_;
}

std::size_t SimNetwork::CountFor(const std::wstring& host) {
  std::lock_guard lock(mutex_);
  const std::wstring prefix = L"https://" + host;
  return static_cast<std::size_t>(std::count_if(log_.begin(), log_.end(), [&](const auto& e) {
    return e.url.compare(0, prefix.size(), prefix) == 0 &&
           (e.url.size() == prefix.size() || e.url[prefix.size()] == L'/' ||
            e.url[prefix.size()] == L':');
  }));
}

}  // namespace platform
