// The one HTTP routine of the self-update: a GET over TLS to the update hosts only, each
// redirect judged by hand before the next host is contacted, the body capped and hashed
// with SHA-256 as it streams into memory or a file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "update/update_endpoints.h"

namespace update {

struct HttpsGetRequest {
  std::wstring user_agent;
  std::wstring url;
  // A release file: the download-address rule, longer time-outs, an octet-stream answer.
  bool is_download = false;
  std::uint64_t max_bytes = 0;
  std::uint64_t expected_size = 0;  // 0 when unknown
  std::wstring out_file;            // empty: the body is kept in memory
  // (bytes so far, expected total or 0)
  std::function<void(std::uint64_t, std::uint64_t)> progress;
  const std::atomic<bool>* cancel = nullptr;
};

struct HttpsGetResponse {
  std::uint32_t status = 0;
  std::string body;     // only when no file was given
  std::wstring sha256;  // of what was received, 64 lower-case hex digits
};

// True when status 200 and the whole body arrived; otherwise `error` says why and no
// partial file is left behind.
bool HttpsGet(const UpdateEndpoints& hosts, const HttpsGetRequest& request,
              HttpsGetResponse& response, std::wstring& error);

}  // namespace update
