#include <atomic>
#include <memory>

#include "afterburner/afterburner_paths.h"
#include "afterburner/install_afterburner.h"
#include "app/data_folder.h"
#include "app/output.h"
#include "driver/driver_feed.h"
#include "driver/held_check.h"
#include "driver/run_process.h"
#include "driver/seven_zip.h"
#include "driver/sha256.h"
#include "driver/vendor_fetch.h"
#include "driver/vendor_url.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kArchiveUrl[] =
    L"https://ftp.nluug.nl/pub/games/PC/guru3d/afterburner/"
    L"%5BGuru3D%5D-MSIAfterburnerSetup466Build16757.zip";
constexpr wchar_t kArchiveSha256[] =
    L"348e9690a638d84e30e32e9c7c2dd7aad9fd82d71eced1942c04c4c5620b0e1e";
constexpr std::uint64_t kMaxArchive = 64ull << 20;
constexpr std::uint32_t kUnpackLimitMs = 300000;
constexpr std::uint32_t kInstallLimitMs = 600000;
constexpr std::uint32_t kExtractLimitMs = 120000;
constexpr wchar_t kTag[] = L"AFTERBURNER";

void Status(gui::Feed* feed, const wchar_t* detail) {
  if (feed != nullptr) feed->ShowStatus(kTag, detail);
}

// The code a failed run shows: its exit code, the start error, or the time-out.
std::uint32_t FailureCode(const ProcessOutcome& run) {
  if (!run.started) return run.startError;
  return run.timedOut ? 258 : run.exitCode;
}

bool Succeeded(const ProcessOutcome& run) {
  return run.started && !run.timedOut && run.exitCode == 0;
}

// Step 4: the archive, kept only when its bytes are the pinned ones, and held from that
// check until it has been unpacked.
std::unique_ptr<platform::HeldFile> DownloadArchive(gui::Feed* feed, const std::wstring& zip,
                                                    const std::wstring& pinned,
                                                    std::wstring& error) {
  auto created = platform::Sys().files.CreateStream(zip);
  if (!created) {
    error = L"Could not store the Afterburner download.";
    return nullptr;
  }
  const std::unique_ptr<platform::FileStream> stream = std::move(created.value());
  Sha256 hash;
  std::atomic<bool> cancel{false};
  bool hashing = hash.Start();
  FetchResult result;
  std::wstring fetch_error;
  const bool fetched = FetchFromVendor(
      kRoleArchiveMirror, L"GET", kArchiveUrl, true, kMaxArchive,
      [&](const char* bytes, std::size_t length, std::uint64_t, std::uint64_t) {
        if (feed != nullptr && feed->IsCancelled()) cancel = true;
        if (cancel) return false;
        hashing = hashing && hash.Add(std::string_view(bytes, length));
        return stream->Write(std::string_view(bytes, length)).ok();
      },
      result, fetch_error, &cancel);
  const bool closed = stream->Close().ok();
  // The caller deletes the run folder with whatever is left in it.
  if (!fetched || !closed) {
    error = cancel || result.stopped ? L"Stopped." : L"The Afterburner download failed.";
    return nullptr;
  }
  // What is unpacked next is what is on disk now, so that is what must match.
  auto held = hashing && hash.Finish() == pinned ? HoldChecked(zip, "", pinned) : nullptr;
  if (!held) error = L"The Afterburner download did not match the published checksum.";
  return held;
}

// Step 7: RivaTuner's installer ships inside Afterburner's.
void InstallRivaTuner(gui::Feed* feed, const std::wstring& seven_zip, const std::wstring& unpack,
                      const std::wstring& installer) {
  DriverLine(feed, L"Installing RivaTuner Statistics Server.");
  (void)RunProcess(seven_zip,
                   Quoted(seven_zip) + L" e -y -o" + Quoted(unpack) + L" " + Quoted(installer) +
                       L" " + Quoted(L"Redist\\RTSSSetup.exe"),
                   L"", kExtractLimitMs, true, true);
  const std::wstring rtss_setup = unpack + L"\\RTSSSetup.exe";
  if (const auto held = HoldChecked(rtss_setup, "MZ", L"")) {
    (void)RunProcess(rtss_setup, Quoted(rtss_setup) + L" /S", L"", kInstallLimitMs, true, true);
  }
}

// Steps 5 to 8 in `unpack`, a folder of this run where only administrators write, so no
// program can put a DLL beside an installer or swap one before it runs.
bool InstallFromArchive(gui::Feed* feed, const std::wstring& seven_zip, const std::wstring& zip,
                        const std::wstring& unpack, std::wstring& error) {
  DriverLine(feed, L"Unpacking the Afterburner installer.");
  const std::wstring installer = unpack + L"\\MSIAfterburnerSetup466.exe";
  const ProcessOutcome unpacked =
      RunProcess(seven_zip, Quoted(seven_zip) + L" x -y -o" + Quoted(unpack) + L" " + Quoted(zip),
                 L"", kUnpackLimitMs, true, true);
  const auto held = Succeeded(unpacked) ? HoldChecked(installer, "MZ", L"") : nullptr;
  if (!held) {
    error = L"The Afterburner package could not be unpacked.";
    return false;
  }
  // Step 6: the silent install, into the chosen folder when there is one.
  Status(feed, L"installing MSI Afterburner and RivaTuner");
  DriverLine(feed, L"Installing MSI Afterburner.");
  std::wstring arguments = L" /S";
  if (!ChosenAfterburnerDir().empty()) {
    DriverLine(feed, L"Afterburner folder: " + AfterburnerFolder());
    arguments += L" /D=" + AfterburnerFolder();
  }
  const ProcessOutcome installed =
      RunProcess(installer, Quoted(installer) + arguments, L"", kInstallLimitMs, true, true);
  if (!Succeeded(installed)) {
    error = L"MSI Afterburner did not install (" + ExitCodeText(FailureCode(installed)) + L").";
    return false;
  }
  // Steps 7 and 8.
  if (FindRivaTuner().empty()) InstallRivaTuner(feed, seven_zip, unpack, installer);
  return true;
}

}  // namespace

bool InstallAfterburnerPackage(gui::Feed* feed, std::wstring& error) {
  return InstallAfterburnerPackagePinned(feed, kArchiveSha256, error);
}

bool InstallAfterburnerPackagePinned(gui::Feed* feed, const std::wstring& pinned,
                                     std::wstring& error) {
  // Step 3: 7-Zip opens the archive.
  Status(feed, L"downloading MSI Afterburner");
  DriverLine(feed, L"Downloading MSI Afterburner 4.6.6 from the Guru3D archive.");
  std::wstring seven_zip_error;
  const std::wstring seven_zip = gui::EnsureSevenZip(feed, seven_zip_error);
  if (seven_zip.empty()) {
    error = L"7-Zip is required to open the Afterburner package.";
    return false;
  }
  const RunFolder folder = CreateRunFolder(L"afterburner");
  if (folder.path.empty()) {
    DriverLine(feed, folder.refusal);
    error = L"Could not store the Afterburner download.";
    return false;
  }
  const std::wstring zip = folder.path + L"\\MSIAfterburnerSetup466.zip";
  bool installed = false;
  if (const auto held = DownloadArchive(feed, zip, pinned, error)) {
    installed = InstallFromArchive(feed, seven_zip, zip, folder.path, error);
  }
  (void)platform::Sys().files.DeleteTree(folder.path);
  return installed;
}
