#include "driver/driver_install.h"

#include "app/command_runner.h"
#include "app/data_folder.h"
#include "app/output.h"
#include "driver/driver_feed.h"
#include "driver/driver_folder.h"
#include "driver/held_check.h"
#include "driver/inf_search.h"
#include "driver/run_process.h"
#include "driver/seven_zip.h"
#include "driver/vendor_signature.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kNvidiaUnpackMs = 1200000;
constexpr std::uint32_t kNvidiaSetupMs = 1500000;
constexpr std::uint32_t kAmdUnpackMs = 900000;
constexpr std::uint32_t kPnputilMs = 600000;

void RemoveFolder(const std::wstring& folder) {
  if (platform::Sys().files.IsDirectory(folder)) (void)platform::Sys().files.DeleteTree(folder);
}

// 7z x into `folder`; true when 7-Zip reported no error (exit code below 2).
bool Unpack(const std::wstring& seven_zip, const std::wstring& archive, const std::wstring& folder,
            std::uint32_t limit_ms) {
  const ProcessOutcome run = RunProcess(
      seven_zip, Quoted(seven_zip) + L" x -y -o" + Quoted(folder) + L" " + Quoted(archive), L"",
      limit_ms, true, true);
  return run.started && !run.timedOut && run.exitCode < 2;
}

int Fail(gui::GpuDriverOffer& offer, const std::wstring& message) {
  offer.message = message;
  return 1;
}

int InstallNvidia(gui::Feed* feed, gui::GpuDriverOffer& offer, const std::wstring& folder) {
  std::wstring error;
  const std::wstring seven_zip = gui::EnsureSevenZip(feed, error);
  if (seven_zip.empty()) {
    return Fail(offer, L"7-Zip could not be installed, so the NVIDIA package cannot be trimmed.");
  }
  // The package stays held until this function returns: 7-Zip unpacks the checked bytes.
  const VendorCheck check = HoldVendorSigned(offer.localPath, kDriverNvidia);
  if (!check.held) return Fail(offer, check.refused);
  // Step 1: the package's files, with its setup, in a folder of this run's making that
  // only administrators may write in: nobody can put a DLL beside setup.exe.
  DriverLine(feed, L"Unpacking the NVIDIA package.");
  const RunFolder run_folder = CreateRunFolder(L"nvidia");
  if (run_folder.path.empty()) return Fail(offer, run_folder.refusal);
  const std::wstring& unpack = run_folder.path;
  const std::wstring setup = unpack + L"\\setup.exe";
  auto held_setup = Unpack(seven_zip, offer.localPath, unpack, kNvidiaUnpackMs)
                        ? HoldChecked(setup, "MZ", L"")
                        : nullptr;
  if (!held_setup) {
    RemoveFolder(unpack);
    return Fail(offer, L"The NVIDIA package could not be unpacked.");
  }
  // Step 2: setup with the display driver and PhysX only.
  DriverProgress(feed, 0.4);
  DriverLine(feed, L"NVIDIA setup, display driver and PhysX only.");
  const std::wstring log = folder + L"\\nvidia-setup.log";
  const ProcessOutcome run = RunProcess(
      setup,
      Quoted(setup) + L" -s -n Display.Driver Display.PhysX -log:" + Quoted(log) + L" -loglevel:6",
      unpack, kNvidiaSetupMs, false, false);
  held_setup.reset();
  if (!run.started) {
    RemoveFolder(unpack);
    return Fail(offer, Format(L"NVIDIA setup did not start (%u).", run.startError));
  }
  // A setup still at work needs its files: the folder stays.
  if (run.timedOut)
    return Fail(offer, L"NVIDIA setup is still running after 25 minutes. It was left running.");
  RemoveFolder(unpack);
  const std::wstring code = ExitCodeText(run.exitCode);
  if (run.exitCode != 0 && run.exitCode != 1 && run.exitCode != 3010) {
    return Fail(offer, L"NVIDIA setup failed (" + code +
                           L"). The NVIDIA App was not installed. The setup log is " + log);
  }
  DriverProgress(feed, 1);
  DriverLine(feed, L"NVIDIA setup finished (" + code + L"). Restart to finish the driver.");
  return 0;
}

int InstallAmd(gui::Feed* feed, gui::GpuDriverOffer& offer) {
  const std::wstring& package = offer.localPath;
  std::wstring error;
  const std::wstring seven_zip = gui::EnsureSevenZip(feed, error);
  if (seven_zip.empty()) {
    return Fail(
        offer, L"7-Zip could not be installed, so the AMD package was not opened. It is saved at " +
                   package);
  }
  const VendorCheck check = HoldVendorSigned(package, kDriverAmd);
  if (!check.held) return Fail(offer, check.refused);
  // Step 1: the package, and the archives inside it one level deep.
  DriverLine(feed, L"Unpacking the AMD package. The Adrenalin installer is not run.");
  const RunFolder run_folder = CreateRunFolder(L"amd");
  if (run_folder.path.empty()) return Fail(offer, run_folder.refusal);
  const std::wstring& unpack = run_folder.path;
  if (!Unpack(seven_zip, package, unpack, kAmdUnpackMs)) {
    RemoveFolder(unpack);
    return Fail(offer, L"The AMD package could not be unpacked. It is saved at " + package +
                           L". Run it and choose Driver Only.");
  }
  const std::vector<std::wstring> inner = FindInnerArchives(unpack);
  for (std::size_t index = 0; index < inner.size(); ++index) {
    (void)Unpack(seven_zip, inner[index], unpack + L"\\inner" + std::to_wstring(index),
                 kAmdUnpackMs);
  }
  // Step 2: the display driver's .inf files.
  const std::vector<std::wstring> infs = FindDisplayInfs(unpack);
  if (infs.empty()) {
    RemoveFolder(unpack);
    return Fail(
        offer,
        L"The AMD package unpacked, but no display driver was inside. The package is saved at " +
            package);
  }
  // Step 3: Windows installs each of them.
  const std::wstring pnputil = SystemToolPath(L"pnputil.exe");
  bool installed = false;
  std::uint32_t code = 0;
  for (const std::wstring& inf : infs) {
    DriverLine(feed, L"Installing display driver " + inf.substr(inf.find_last_of(L'\\') + 1));
    const ProcessOutcome run =
        RunProcess(pnputil, Quoted(pnputil) + L" /add-driver " + Quoted(inf) + L" /install", L"",
                   kPnputilMs, false, true);
    if (run.timedOut)
      return Fail(offer, L"The display-driver install is still running. It was left running.");
    code = run.started ? run.exitCode : run.startError;
    installed = installed || (run.started && (run.exitCode == 0 || run.exitCode == 3010));
  }
  RemoveFolder(unpack);
  if (!installed)
    return Fail(offer, L"The AMD display driver did not install (" + ExitCodeText(code) + L").");
  DriverProgress(feed, 1);
  DriverLine(feed,
             L"AMD display driver installed. Restart to finish it. Adrenalin was not installed.");
  return 0;
}

}  // namespace

int InstallGpuDriver(gui::Feed* feed, gui::GpuDriverOffer& offer) {
  // Step 1: only a package this program downloaded and verified.
  if (offer.localPath.empty() || !platform::Sys().files.Exists(offer.localPath)) {
    return Fail(offer, L"There is no downloaded package to install.");
  }
  const std::wstring folder = EnsureDriverFolder();
  if (folder.empty() || folder.find(L'"') != std::wstring::npos) {
    return Fail(offer, L"The driver folder path is not usable.");
  }
  DriverStatus(feed, L"installing the trimmed driver");
  DriverItem(feed, L"Installing", L"The display may flicker. This can take several minutes.");
  if (offer.vendor == kDriverNvidia) return InstallNvidia(feed, offer, folder);
  if (offer.vendor == kDriverAmd) return InstallAmd(feed, offer);
  return Fail(offer, L"There is no downloaded package to install.");
}
