#include "afterburner/install_afterburner.h"

#include "afterburner/afterburner_paths.h"
#include "afterburner/cfg_text.h"
#include "afterburner/logon_task.h"
#include "afterburner/oc_scan.h"
#include "afterburner/pci_card.h"
#include "app/output.h"

namespace {

bool Cancelled(gui::Feed* feed) { return feed != nullptr && feed->IsCancelled(); }

// Afterburner's own startup task would start it without our profile argument.
void QuietAfterburner(const std::wstring& exe) {
  if (!SetAfterburnerConfig(exe)) {
    PrintInfo(
        L"Afterburner's settings file could not be updated. Afterburner writes it on its "
        L"first start.");
  }
  DeleteLogonTask(L"MSIAfterburner");
}

// Configuration steps 7 and 8: the logon tasks. False when a task could not be made: the
// step would otherwise report a start at logon that never comes.
bool SetLogonTasks(const std::wstring& exe, bool profileSaved, std::wstring& error) {
  // A task that starts with the highest rights a program others may replace would hand
  // those rights to them at the next logon.
  if (const std::wstring unsafe = UnsafeToRunElevated(exe); !unsafe.empty()) {
    PrintInfo(unsafe);
    if (profileSaved) {
      error = L"Profile 1 was saved, but Afterburner could not be set to apply it at logon.";
      return false;
    }
  } else if (CreateLogonTask(kAfterburnerLogonTask, exe, profileSaved ? L"-profile1" : L"")) {
    PrintInfo(profileSaved ? L"Afterburner will start at each logon and apply profile 1."
                           : L"Afterburner will start at each logon.");
  } else {
    error = profileSaved
                ? L"Profile 1 was saved, but Afterburner could not be set to apply it at logon."
                : L"Could not create the Afterburner logon task.";
    return false;
  }
  const std::wstring rtss = FindRivaTuner();
  if (!rtss.empty() && !UnsafeToRunElevated(rtss).empty()) {
    PrintInfo(UnsafeToRunElevated(rtss));
  } else if (!rtss.empty()) {
    PrintInfo(CreateLogonTask(kRivaTunerLogonTask, rtss, L"")
                  ? L"RivaTuner will start at each logon."
                  : L"Could not create the RivaTuner logon task.");
  }
  return true;
}

}  // namespace

namespace gui {

bool InstallAfterburner(Feed* feed, std::wstring& error, bool* profileSaved) {
  if (profileSaved != nullptr) *profileSaved = false;
  // Install part: only when Afterburner is not there yet.
  if (Cancelled(feed)) {
    error = L"Stopped.";
    return false;
  }
  PrintInfo(L"The Afterburner download and OC scan take about 30 minutes.");
  std::wstring exe = FindAfterburner();
  if (!exe.empty()) {
    PrintInfo(L"MSI Afterburner is already installed.");
  } else {
    if (!InstallAfterburnerPackage(feed, error)) return false;
    exe = FindAfterburner();
    if (exe.empty()) {
      error = L"MSI Afterburner installed, but MSIAfterburner.exe was not found.";
      return false;
    }
    PrintInfo(L"MSI Afterburner is installed.");
  }
  // Configuration steps 1 to 4.
  QuietAfterburner(exe);
  const PciECard card = SelectPciECard();
  if (!card.name.empty()) {
    PrintInfo(L"PCI-E graphics card: " + card.name);
    if (!SetGpuPreference(exe)) {
      PrintInfo(L"Windows' graphics preference for Afterburner could not be written.");
    }
  } else {
    PrintInfo(L"No PCI-E graphics card was found. Integrated graphics will not be scanned.");
  }
  PrintInfo(FindRivaTuner().empty()
                ? L"RivaTuner Statistics Server was not found next to Afterburner."
                : L"RivaTuner Statistics Server is installed.");
  // Configuration step 5: the scan; a cancelled scan ends the step here.
  const OcScanResult scan = RunOcScan(feed, card, exe);
  if (scan.stopped) {
    error = scan.error;
    return false;
  }
  // Configuration steps 6 to 9. A scan whose curve was lost still gets the plain task,
  // so Afterburner at least returns at logon, and the step reports the loss.
  QuietAfterburner(exe);
  if (!SetLogonTasks(exe, scan.profileSaved, error)) return false;
  if (!scan.error.empty()) {
    error = scan.error;
    return false;
  }
  if (feed != nullptr) feed->SetProgress(1, 0, 0);
  if (profileSaved != nullptr) *profileSaved = scan.profileSaved;
  error.clear();
  return true;
}

}  // namespace gui
