#include "driver/seven_zip.h"

#include <memory>

#include "app/data_folder.h"
#include "app/env_value.h"
#include "app/feed.h"
#include "driver/driver_feed.h"
#include "driver/held_check.h"
#include "driver/run_process.h"
#include "driver/vendor_fetch.h"
#include "driver/vendor_url.h"
#include "platform/files.h"
#include "platform/system.h"

// The SHA-256 of 7z2605-x64.exe, given to the build (VELTRANE_SEVENZIP_SHA256) by whoever
// took it from the release itself. While it is empty no downloaded installer ever runs,
// and the user is asked to install 7-Zip.
const wchar_t kSevenZipInstallerSha256[] = L"" VELTRANE_SEVENZIP_SHA256;

namespace {

constexpr wchar_t kInstallerName[] = L"7z2605-x64.exe";
constexpr std::uint64_t kMaxInstaller = 16ull << 20;
constexpr std::uint32_t kInstallLimitMs = 300000;

// Step 2: an executable with exactly the published bytes, held from that check until it
// has run; null (and nothing runs) otherwise.
std::unique_ptr<platform::HeldFile> DownloadInstaller(gui::Feed* feed,
                                                      const std::wstring& installer,
                                                      const std::wstring& pinned,
                                                      std::wstring& error) {
  std::unique_ptr<platform::FileStream> stream;
  if (auto created = platform::Sys().files.CreateStream(installer)) {
    stream = std::move(created.value());
  }
  if (!stream) {
    error = L"Could not store the 7-Zip installer.";
    return nullptr;
  }
  FetchResult result;
  std::wstring fetch_error;
  const bool fetched = FetchFromVendor(
      kRoleSevenZip, L"GET", std::wstring(L"https://") + kSevenZipHost + L"/a/" + kInstallerName,
      true, kMaxInstaller,
      [&](const char* bytes, std::size_t length, std::uint64_t, std::uint64_t) {
        // A Stop ends the download between two pieces; the sink's refusal ends the fetch.
        if (feed != nullptr && feed->IsCancelled()) return false;
        return stream->Write(std::string_view(bytes, length)).ok();
      },
      result, fetch_error, nullptr);
  const bool closed = stream->Close().ok();
  if (feed != nullptr && feed->IsCancelled()) {
    error = L"Stopped.";
    return nullptr;
  }
  auto held = fetched && closed ? HoldChecked(installer, "MZ", pinned) : nullptr;
  if (!held) {
    error = fetched && closed ? L"The 7-Zip installer could not be downloaded." : fetch_error;
    if (error.empty()) error = L"The 7-Zip installer could not be downloaded.";
  }
  return held;
}

std::wstring InstallSevenZip(gui::Feed* feed, const std::wstring& pinned, std::wstring& error) {
  // Step 1: the installer, into a folder this run makes where only administrators write,
  // so nothing can be put beside it or swapped for it before it runs.
  const RunFolder folder = CreateRunFolder(L"7zip");
  if (folder.path.empty()) {
    error = L"Could not store the 7-Zip installer.";
    return {};
  }
  const std::wstring installer = folder.path + L"\\" + kInstallerName;
  ProcessOutcome run;
  if (auto held = DownloadInstaller(feed, installer, pinned, error)) {
    // Step 3: the silent install.
    DriverLine(feed, L"Installing 7-Zip.");
    run = RunProcess(installer, Quoted(installer) + L" /S", L"", kInstallLimitMs, true, true);
  }
  (void)platform::Sys().files.DeleteTree(folder.path);
  if (!error.empty()) return {};
  if (!run.started) {
    error = L"The 7-Zip installer did not start.";
    return {};
  }
  if (run.timedOut || run.exitCode != 0) {
    error = L"7-Zip did not install (" + ExitCodeText(run.timedOut ? 258 : run.exitCode) + L").";
    return {};
  }
  const std::wstring found = FindSevenZip();
  if (found.empty()) {
    error = L"7-Zip installed, but 7z.exe was not found.";
    return {};
  }
  DriverLine(feed, L"7-Zip is installed.");
  return found;
}

std::wstring FindOrInstallSevenZip(gui::Feed* feed, const std::wstring& pinned,
                                   std::wstring& error) {
  error.clear();
  // Step 1: an installed copy.
  if (const std::wstring found = FindSevenZip(); !found.empty()) return found;
  // Step 2: only an installer whose bytes are known in advance may run elevated.
  if (feed != nullptr && feed->IsCancelled()) {
    error = L"Stopped.";
    return {};
  }
  if (pinned.size() != 64) {
    error = L"7-Zip is not installed. Install 7-Zip, then try again.";
    return {};
  }
  DriverStatus(feed, L"installing 7-Zip");
  DriverLine(feed, L"7-Zip is not installed. Downloading the official 7-Zip installer.");
  return InstallSevenZip(feed, pinned, error);
}

}  // namespace

std::wstring FindSevenZip() {
  auto& files = platform::Sys().files;
  // The search path is left out: a folder on it may belong to the user, and what is
  // found here runs elevated.
  for (const std::wstring& root :
       {MachineFolder(platform::KnownFolder::kProgramFiles, L"ProgramW6432", L""),
        MachineFolder(platform::KnownFolder::kProgramFiles, L"ProgramFiles", L""),
        std::wstring(L"C:\\Program Files"), std::wstring(L"C:\\Program Files (x86)")}) {
    if (root.empty()) continue;
    const std::wstring path = root + L"\\7-Zip\\7z.exe";
    if (files.Exists(path) && !files.IsDirectory(path)) return path;
  }
  return {};
}

namespace gui {

std::wstring EnsureSevenZip(Feed* feed, std::wstring& error) {
  return EnsureSevenZipPinned(feed, kSevenZipInstallerSha256, error);
}

std::wstring EnsureSevenZipPinned(Feed* feed, const std::wstring& pinned, std::wstring& error) {
  const std::wstring found = FindOrInstallSevenZip(feed, pinned, error);
  // Callers end with what could not be done without 7-Zip; this line tells the user what
  // to do about it.
  if (found.empty()) DriverLine(feed, error);
  return found;
}

}  // namespace gui
