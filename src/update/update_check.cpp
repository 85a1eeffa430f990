#include "update/update_check.h"

#include <algorithm>

#include "app/output.h"
#include "app/product.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/network.h"
#include "platform/system.h"
#include "support/text_match.h"
#include "update/https_get.h"
#include "update/release_file.h"
#include "update/update_address.h"

namespace update {
namespace {

constexpr std::uint32_t kCounterOkFirst = 200;
constexpr std::uint32_t kCounterOkLast = 299;

// This copy's version: the built-in text, or the running file's resource when higher (a
// build stamped later than its text was written).
std::optional<ProductVersion> CurrentVersion(const std::wstring& version_text) {
  std::optional<ProductVersion> current = ParseProductVersion(version_text);
  if (!current) return std::nullopt;
  auto& sys = platform::Sys();
  const auto resource = sys.files.ReadFileVersion(sys.environment.ExecutablePath());
  if (resource) {
    const ProductVersion running{resource->major, resource->minor, resource->build,
                                 resource->revision};
    current = std::max(*current, running);
  }
  return current;
}

bool IsHex(const std::wstring& text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](wchar_t c) {
           return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
         });
}

bool IsCounterVersion(const std::wstring& version) {
  return !version.empty() && version.size() <= 32 &&
         std::all_of(version.begin(), version.end(),
                     [](wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'.'; });
}

}  // namespace

bool CheckForUpdate(const UpdateEndpoints& hosts, const std::wstring& version_text,
                    AppUpdate& found, const std::atomic<bool>* cancel, std::wstring& error) {
  error.clear();
  const std::optional<ProductVersion> current = CurrentVersion(version_text);
  if (!current) {
    error = L"This copy's version could not be read.";
    return false;
  }
  HttpsGetRequest get;
  get.user_agent = L"Veltrane/" + version_text;
  get.url = L"https://" + hosts.web_host + L"/veltrane/latest.json?current=" + version_text;
  get.max_bytes = kMaxUpdateListBytes;
  get.cancel = cancel;
  HttpsGetResponse response;
  if (!HttpsGet(hosts, get, response, error)) return false;
  UpdateListVerdict verdict = ReadUpdateList(response.body, *current, hosts);
  error = std::move(verdict.error);
  if (!verdict.update) return false;
  found = std::move(*verdict.update);
  return true;
}

bool UpdateChecker::CheckAndLog(AppUpdate& found, const std::atomic<bool>* cancel,
                                std::wstring& error) {
  const bool newer = CheckForUpdate(hosts_, kVersionText, found, cancel, error);
  if (cancel != nullptr && cancel->load()) return false;
  std::wstring line;
  if (newer) {
    line = L"Update available: " + found.version;
  } else if (!error.empty()) {
    line = L"Update check: " + error;
  }
  std::lock_guard lock(mutex_);
  if (!line.empty() && line != last_logged_) AppendLog(line);
  last_logged_ = line;
  return newer;
}

bool DownloadVerifiedUpdate(const UpdateEndpoints& hosts, const AppUpdate& release,
                            const std::wstring& path, const DownloadProgress& progress,
                            const std::atomic<bool>* cancel, std::wstring& error) {
  error.clear();
  const std::optional<ProductVersion> promised = ParseProductVersion(release.version);
  if (!promised || !CheckDownloadAddress(hosts, release.url).empty() || !IsHex(release.sha256)) {
    error = L"The update list is incomplete.";
    return false;
  }
  if (release.size > kMaxReleaseBytes) {
    error = L"The update list's size is not a Veltrane executable.";
    return false;
  }
  HttpsGetRequest get;
  get.user_agent = L"Veltrane update";
  get.url = release.url;
  get.is_download = true;
  get.max_bytes = kMaxReleaseBytes;
  get.expected_size = release.size;
  get.out_file = path;
  get.progress = progress;
  get.cancel = cancel;
  HttpsGetResponse response;
  if (!HttpsGet(hosts, get, response, error)) return false;
  auto& files = platform::Sys().files;
  if (response.sha256 != support::LowerCase(release.sha256)) {
    (void)files.Delete(path);
    error = L"The download did not match the published checksum.";
    return false;
  }
  error = CheckReleaseFile(files, path, release.version);
  return error.empty();
}

bool ReportDownload(const UpdateEndpoints& hosts, const std::wstring& version) {
  if (!IsCounterVersion(version)) return false;
  platform::HttpRequest request;
  request.method = L"POST";
  request.secure = true;
  request.host = hosts.web_host;
  request.port = 443;
  request.path = L"/api/veltrane/downloads";
  request.user_agent = L"Veltrane update";
  request.headers = L"Content-Type: application/json\r\nAccept: application/json\r\n";
  request.timeouts = {3000, 3000, 4000, 4000};
  request.body =
      "{\"source\":\"app\",\"version\":\"" + std::string(version.begin(), version.end()) + "\"}";
  auto sent = platform::Sys().network.Send(request);
  return sent && sent.value()->Status() >= kCounterOkFirst &&
         sent.value()->Status() <= kCounterOkLast;
}

}  // namespace update
