#include "update/apply_update.h"

#include <optional>
#include <vector>

#include "app/output.h"
#include "driver/sha256.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/system.h"
#include "service/same_path.h"
#include "service/service_control.h"
#include "support/text_match.h"
#include "update/replace_file.h"
#include "update/update_check.h"

namespace update {
namespace {

constexpr std::uint64_t kHashChunk = 64 * 1024;

std::optional<ProductVersion> VersionOf(const std::wstring& path) {
  const auto found = platform::Sys().files.ReadFileVersion(path);
  if (!found) return std::nullopt;
  return ProductVersion{found->major, found->minor, found->build, found->revision};
}

// One replacement of the update: the copy in place must hash to the published value, so a
// file swapped between the check and the copy is never what stays installed.
std::wstring PutInPlace(const std::wstring& target, const std::wstring& download,
                        const std::wstring& sha256) {
  std::wstring error = ReplaceFileKeepingOld(target, download);
  if (!error.empty()) return error;
  if (HashFile(target) == sha256) return L"";
  error = L"The copy at " + target + L" did not match the published checksum.";
  const std::wstring restored = RestoreOld(target);
  return restored.empty() ? error : error + L" " + restored;
}

class UpdateRun {
 public:
  UpdateRun(const AppUpdate& release, std::wstring& error) : release_(release), error_(error) {}

  int Fail(std::wstring reason) {
    error_ = std::move(reason);
    AppendLog(L"Update failed: " + error_);
    return 1;
  }

  // Steps 7-9: stop the service, replace the installed copy and the running one, start
  // the service again on the new file or put the old file back for it.
  int Replace(const std::wstring& download) {
    auto& sys = platform::Sys();
    const std::wstring installed = InstalledExePath();
    const std::wstring running = sys.environment.ExecutablePath();
    const bool service_installed = IsTimerServiceInstalled();
    const bool was_running = QueryTimerServiceState() == ServiceState::Running;
    if ((service_installed || was_running) &&
        (!StopServiceByName(kServiceName) || !StopServiceByName(kLegacyServiceName))) {
      return Fail(L"The Veltrane service did not stop, so its copy could not be replaced.");
    }
    std::vector<std::wstring> replaced;
    if ((service_installed || sys.files.Exists(installed)) && !IsSamePath(running, installed)) {
      const std::optional<ProductVersion> current = VersionOf(installed);
      const std::optional<ProductVersion> offered = ParseProductVersion(release_.version);
      if (current && offered && *current > *offered) {
        AppendLog(L"A newer Veltrane is installed; it was left in place.");
      } else {
        (void)sys.files.CreateDirectory(InstallFolder());
        const std::wstring failed = PutInPlace(installed, download, release_.sha256);
        if (!failed.empty()) {
          if (was_running) (void)StartServiceByName(kServiceName);
          return Fail(failed);
        }
        replaced.push_back(installed);
      }
    }
    const std::wstring failed = PutInPlace(running, download, release_.sha256);
    if (!failed.empty()) {
      const std::wstring restored = Restore(replaced, was_running);
      return Fail((replaced.empty() ? failed
                                    : L"The installed copy was updated, but this copy could not be "
                                      L"replaced. " +
                                          failed) +
                  restored);
    }
    replaced.push_back(running);
    if (was_running && !StartServiceByName(kServiceName)) {
      const std::wstring restored = Restore(replaced, true);
      return Fail(
          L"The Veltrane service did not start on the new version, so the previous "
          L"copy was put back." +
          restored);
    }
    AppendLog(L"Updated to " + release_.version + L".");
    return 0;
  }

 private:
  // Puts back every copy replaced so far and starts the service on them when it ran.
  // Empty when all of that worked; otherwise what is left, for the error line.
  static std::wstring Restore(const std::vector<std::wstring>& replaced, bool was_running) {
    std::wstring left;
    for (const std::wstring& target : replaced) {
      const std::wstring restored = RestoreOld(target);
      if (!restored.empty()) left += L" " + restored;
    }
    if (was_running && !StartServiceByName(kServiceName))
      left += L" The Veltrane service did not restart.";
    return left;
  }

  const AppUpdate& release_;
  std::wstring& error_;
};

}  // namespace

std::wstring HashFile(const std::wstring& path) {
  auto& files = platform::Sys().files;
  Sha256 hash;
  if (!hash.Start()) return L"";
  for (std::uint64_t offset = 0;; offset += kHashChunk) {
    const support::Result<std::string> chunk = files.ReadBytes(path, offset, kHashChunk);
    if (!chunk) return L"";
    hash.Add(*chunk);
    if (chunk->size() < kHashChunk) break;
  }
  return hash.Finish();
}

int ApplyAppUpdate(const UpdateEndpoints& hosts, const AppUpdate& release,
                   const std::function<void(const std::wstring&)>& progress,
                   const std::atomic<bool>& cancel, std::wstring& error) {
  error.clear();
  if (cancel.load()) return 1;
  auto& sys = platform::Sys();
  UpdateRun run(release, error);
  const std::wstring temp = sys.environment.TempFolder();
  if (temp.empty() || temp.size() > 260) return run.Fail(L"Could not find a temporary folder.");
  const std::wstring download = temp + L"Veltrane-update.exe";
  (void)sys.files.Delete(download);
  const bool verified = DownloadVerifiedUpdate(
      hosts, release, download,
      [&](std::uint64_t received, std::uint64_t total) {
        if (!progress) return;
        progress(total == 0
                     ? L"Downloading " + release.version
                     : Format(L"Downloading %ls\u2026  %.0f%%", release.version.c_str(),
                              100.0 * static_cast<double>(received) / static_cast<double>(total)));
      },
      &cancel, error);
  if (!verified || cancel.load()) {
    (void)sys.files.Delete(download);
    if (cancel.load()) return 1;
    return run.Fail(error);
  }
  // Held open for reading only from here on: nobody can rewrite the verified file before
  // it has been copied into place.
  std::optional<support::Result<std::unique_ptr<platform::HeldFile>>> held(
      sys.files.OpenHeld(download));
  if (!*held) {
    (void)sys.files.Delete(download);
    return run.Fail(L"The download could not be kept unchanged until it was installed.");
  }
  if (progress) progress(L"Replacing this copy\u2026");
  if (!ReportDownload(hosts, release.version))
    AppendLog(L"The download counter could not be updated.");
  const int result = run.Replace(download);
  held.reset();
  (void)sys.files.Delete(download);
  return result;
}

}  // namespace update
