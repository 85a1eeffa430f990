// The vendor fetch: one GET or HEAD over https to a host the role allows, following
// redirects only while every hop stays on that role's hosts, reading the body in 64 KiB
// chunks under a byte cap, into memory or a sink. Used by the driver lookup and
// download, the 7-Zip and Afterburner installs and the update check.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct FetchResult {
  std::uint32_t status = 0;
  std::uint64_t contentLength = 0;  // 0 when the server gave none
  std::wstring finalUrl;            // after redirects
  std::string body;                 // only when no sink was given
  bool stopped = false;             // the user cancelled
};

// Takes (chunk bytes, chunk length, bytes so far, content length or 0); false stops the
// fetch.
using FetchSink = std::function<bool(const char* bytes, std::size_t length, std::uint64_t soFar,
                                     std::uint64_t contentLength)>;

// True when the whole body arrived (or, for "HEAD", the headers with status 200).
// `error` receives the user-visible message on failure. `sink` may be empty; `cancel`
// may be null.
bool FetchFromVendor(int role, const std::wstring& method, const std::wstring& url,
                     bool browserHeaders, std::uint64_t maxBytes, const FetchSink& sink,
                     FetchResult& result, std::wstring& error, const std::atomic<bool>* cancel);
