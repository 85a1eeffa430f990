// Asking the web host whether a newer release is published, fetching and verifying it, and
// counting the download. Endpoints are a parameter so tests can point the inner functions
// at loopback hosts; the program itself passes kShippedEndpoints and reads no override.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "update/update_endpoints.h"
#include "update/update_list.h"

namespace update {

// True when a newer, valid release was found and filled into `found`; false otherwise,
// with `error` empty when the check worked and found nothing new.
bool CheckForUpdate(const UpdateEndpoints& hosts, const std::wstring& version_text,
                    AppUpdate& found, const std::atomic<bool>* cancel, std::wstring& error);

// The window's periodic check: logs the outcome, but an outcome only when it differs from
// the last one logged, so an offline machine does not fill the log every interval.
class UpdateChecker {
 public:
  explicit UpdateChecker(UpdateEndpoints hosts = kShippedEndpoints) : hosts_(std::move(hosts)) {}
  bool CheckAndLog(AppUpdate& found, const std::atomic<bool>* cancel, std::wstring& error);

 private:
  UpdateEndpoints hosts_;
  std::mutex mutex_;
  std::wstring last_logged_;
};

using DownloadProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;

// Downloads `release` into `path` and keeps it only when its hash, its machine and its
// version resource all match what the list promised.
bool DownloadVerifiedUpdate(const UpdateEndpoints& hosts, const AppUpdate& release,
                            const std::wstring& path, const DownloadProgress& progress,
                            const std::atomic<bool>* cancel, std::wstring& error);

// Counts one download on the web host; redirects are never followed. The outcome matters
// to nobody but is returned for the tests.
bool ReportDownload(const UpdateEndpoints& hosts, const std::wstring& version);

}  // namespace update
