#include "afterburner/oc_scan.h"

#include "afterburner/afterburner_paths.h"
#include "afterburner/cfg_text.h"
#include "afterburner/combo_select.h"
#include "afterburner/control_memory.h"
#include "afterburner/logon_task.h"
#include "afterburner/pci_card.h"
#include "afterburner/profile_file.h"
#include "afterburner/scan_machine.h"
#include "app/command_runner.h"
#include "app/output.h"
#include "measure/data_file.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kNvidia = 1;
constexpr wchar_t kScannerTitle[] = L"MSI Overclocking Scanner";
constexpr wchar_t kAfterburnerTitle[] = L"MSI Afterburner";
constexpr std::int32_t kScanButton = 1001;
constexpr wchar_t kLogAutomationId[] = L"1007";
constexpr std::uint32_t kWindowWaitMs = 10000;
constexpr std::uint32_t kWindowPollMs = 300;
constexpr std::uint32_t kCloseWaitMs = 15000;

struct Program {
  std::uint32_t id = 0;
  platform::WindowHandle window = 0;
};

bool StartProgram(const std::wstring& exe, const std::wstring& arguments, Program& program) {
  const std::wstring line = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  const auto started = platform::Sys().processes.Start(line, FolderOf(exe), false);
  if (!started) return false;
  program.id = *started;
  return true;
}

// Waits a bounded time for the program's main window.
platform::WindowHandle AwaitWindow(const Program& program, const wchar_t* title, bool visibleOnly) {
  auto& clock = platform::Sys().clock;
  for (std::uint32_t waited = 0;; waited += kWindowPollMs) {
    const platform::WindowHandle w = FindProcessWindow(program.id, title, visibleOnly);
    if (w != 0 || waited >= kWindowWaitMs) return w;
    clock.Sleep(kWindowPollMs);
  }
}

// Asks the program to close, and ends it when it does not within the limit.
void CloseProgram(Program& program, const wchar_t* title, bool visibleOnly) {
  auto& sys = platform::Sys();
  const platform::WindowHandle w = FindProcessWindow(program.id, title, visibleOnly);
  if (w != 0) (void)sys.desktop.PostClose(w);
  const auto ended = sys.processes.Wait(program.id, kCloseWaitMs);
  if (!ended && ended.error().code == support::ErrorCode::kTimeout) {
    (void)sys.processes.Terminate(program.id, 1);
  }
}

ScanObservation Observe(const Program& scanner, gui::Feed* feed) {
  auto& desktop = platform::Sys().desktop;
  ScanObservation seen;
  seen.cancelled = feed != nullptr && feed->IsCancelled();
  const platform::WindowHandle w = FindProcessWindow(scanner.id, kScannerTitle, true);
  if (w == 0) return seen;
  seen.windowFound = true;
  const platform::WindowHandle button = desktop.DialogItem(w, kScanButton);
  seen.buttonEnabled = button != 0 && desktop.IsEnabled(button);
  seen.buttonText = button != 0 ? desktop.Text(button).value_or(L"") : L"";
  seen.log = desktop.AutomationName(w, kLogAutomationId).value_or(L"");
  return seen;
}

// Step 5 and 6: the scan from the scanner's start to its outcome.
ScanOutcome FollowScan(gui::Feed* feed, const PciECard& card, Program& scanner) {
  auto& sys = platform::Sys();
  ScanMachine machine(sys.clock.TickCount64());
  bool aimed = false;
  for (;;) {
    const ScanObservation seen = Observe(scanner, feed);
    const platform::WindowHandle w = FindProcessWindow(scanner.id, kScannerTitle, true);
    if (seen.windowFound && !aimed) {
      aimed = true;
      const ComboSelection target = SelectCardInCombos(w, card);
      if (target.onlyIntegrated) {
        PrintInfo(
            L"The OC scanner is aimed at integrated graphics. The PCI-E card was not scanned.");
        (void)sys.desktop.PostClose(w);
        (void)sys.processes.Terminate(scanner.id, 1);
        return ScanOutcome::kWrongCard;
      }
      if (!target.text.empty()) PrintInfo(L"OC scanner target: " + target.text + L".");
    }
    const ScanActions actions = machine.Step(seen, sys.clock.TickCount64());
    if (actions.pressScan) {
      const platform::WindowHandle button = sys.desktop.DialogItem(w, kScanButton);
      (void)sys.desktop.PostCommand(w, kScanButton, 0, button);
      PrintInfo(L"Pressed Scan.");
    }
    if (actions.announceRunning) PrintInfo(L"The OC scan is running.");
    if (actions.progress >= 0 && feed != nullptr) {
      feed->SetProgress(actions.progress, actions.elapsedSeconds, 0);
    }
    if (actions.outcome != ScanOutcome::kPending) return actions.outcome;
    sys.clock.Sleep(actions.nextPollMs);
  }
}

// Steps 7 to 9 with a curve: apply it, close both programs so Afterburner writes its
// settings, save them as profile 1 and reopen Afterburner on it.
OcScanResult KeepCurve(const PciECard& card, const std::wstring& exe, Program& afterburner,
                       Program& scanner, const std::string& profileBefore) {
  auto& sys = platform::Sys();
  OcScanResult result;
  PrintInfo(L"The OC scanner finished and sent the curve to Afterburner.");
  // A mapping another program made first would take our command and name the profile.
  if (ControlMemoryIsForeign()) {
    CloseProgram(scanner, kScannerTitle, true);
    CloseProgram(afterburner, kAfterburnerTitle, false);
    result.error =
        L"Afterburner's control memory was created by another program, so the scanned curve "
        L"was not applied.";
    return result;
  }
  std::wstring identifier;
  const bool applied = ApplyExportedCurve(card, afterburner.window, identifier);
  PrintInfo(applied ? L"Applied the scanned curve to the current settings."
                    : L"Afterburner did not confirm the apply. The exported curve is still saved "
                      L"if it wrote its profile.");
  sys.clock.Sleep(500);
  CloseProgram(scanner, kScannerTitle, true);
  CloseProgram(afterburner, kAfterburnerTitle, false);
  const std::wstring profile = ResolveProfilePath(exe, identifier, card.deviceId);
  const auto message = SaveScannedProfile(profile, profileBefore);
  if (!message) {
    PrintInfo(L"The scanned curve was applied, but it was not saved into a profile.");
    if (applied)
      result.error = L"The scan applied the curve, but it was not saved for the next startup.";
    return result;
  }
  PrintInfo(*message);
  result.profileSaved = true;
  (void)SetAfterburnerConfig(exe);
  DeleteLogonTask(L"MSIAfterburner");
  Program reopened;
  PrintInfo(StartProgram(exe, L"-profile1", reopened)
                ? L"Applied profile 1 to the current settings."
                : L"Profile 1 was saved, but Afterburner did not reopen to apply it.");
  return result;
}

}  // namespace

OcScanResult RunOcScan(gui::Feed* feed, const PciECard& card, const std::wstring& afterburnerExe) {
  auto& sys = platform::Sys();
  OcScanResult result;
  // Step 1: only an NVIDIA PCI-E card with its driver interface, and a scanner to run.
  const std::wstring scanner_exe = ScannerPath(afterburnerExe);
  if (card.name.empty()) {
    PrintInfo(
        L"The OC scanner was not started. It runs on the PCI-E NVIDIA card, not integrated "
        L"graphics.");
    return result;
  }
  if (card.vendor != kNvidia || !sys.files.Exists(SystemToolPath(L"nvapi64.dll"))) {
    PrintInfo(
        L"The OC scanner targets NVIDIA. Afterburner will still apply its saved settings at "
        L"logon.");
    return result;
  }
  if (!sys.files.Exists(scanner_exe)) {
    PrintInfo(
        L"The OC scanner was not in this Afterburner install. Startup apply is still "
        L"configured.");
    return result;
  }
  // Step 2: the scanner must run on the card it scans.
  (void)SetGpuPreference(scanner_exe);
  if (feed != nullptr) {
    feed->ShowStatus(L"AFTERBURNER", L"scanning a stable overclock");
    feed->ShowItem(L"OC scanner",
                   L"The Afterburner download and this scan take about 30 minutes. The scan uses "
                   L"the PCI-E graphics card. Leave the scanner window open. The curve is applied "
                   L"to the current settings, saved as profile 1, and applied at every logon.");
  }
  PrintInfo(L"Starting MSI Afterburner, then the OC scanner.");
  // Step 3: Afterburner must run for the scanner to reach it.
  Program afterburner;
  if (!StartProgram(afterburnerExe, L"", afterburner)) {
    PrintInfo(L"MSI Afterburner did not start, so the OC scanner did not run.");
    (void)SetAfterburnerConfig(afterburnerExe);
    DeleteLogonTask(L"MSIAfterburner");
    return result;
  }
  // Step 4: Afterburner on the PCI-E card, and the profile as it was before the scan.
  afterburner.window = AwaitWindow(afterburner, kAfterburnerTitle, false);
  const ComboSelection selection = SelectCardInCombos(afterburner.window, card);
  sys.clock.Sleep(500);
  if (selection.onlyIntegrated) {
    PrintInfo(L"Afterburner only listed integrated graphics. The PCI-E card was not scanned.");
    (void)sys.processes.Terminate(afterburner.id, 1);
    return result;
  }
  // Only a card really selected in Afterburner's list is named as its choice.
  PrintInfo(selection.text.empty()
                ? std::wstring(L"Afterburner showed no card list; it scans the card it had chosen.")
                : L"Afterburner is set to " + selection.text + L".");
  PrintInfo(L"Windows is set to run Afterburner and the scanner on the PCI-E card.");
  sys.clock.Sleep(1200);
  const std::wstring profile_before =
      ResolveProfilePath(afterburnerExe, ReadGpuIdentifier(card.deviceId), card.deviceId);
  const std::string before_text =
      profile_before.empty() ? std::string() : ReadDataFile(profile_before).value_or("");
  // Steps 5 and 6: the scanner, then the scan.
  Program scanner;
  const ScanOutcome outcome = StartProgram(scanner_exe, L"", scanner)
                                  ? FollowScan(feed, card, scanner)
                                  : ScanOutcome::kNoWindow;
  switch (outcome) {
    case ScanOutcome::kCurve:
      return KeepCurve(card, afterburnerExe, afterburner, scanner, before_text);
    case ScanOutcome::kNoCurve:
      PrintInfo(
          L"The OC scanner finished without a new curve. Afterburner will still apply its "
          L"saved settings at logon.");
      CloseProgram(scanner, kScannerTitle, true);
      CloseProgram(afterburner, kAfterburnerTitle, false);
      return result;
    case ScanOutcome::kNoWindow:
      PrintInfo(
          L"The OC scanner did not start. Afterburner will still apply its saved settings "
          L"at logon.");
      return result;
    case ScanOutcome::kNotStarted:
      PrintInfo(L"The OC scanner opened, but the scan did not start. The window was left open.");
      return result;
    case ScanOutcome::kStillRunning:
      PrintInfo(L"The OC scanner is still running after 45 minutes. It was left open.");
      return result;
    case ScanOutcome::kWrongCard:
      return result;
    default:
      (void)sys.processes.Terminate(scanner.id, 1);
      (void)sys.processes.Terminate(afterburner.id, 1);
      result.stopped = true;
      result.error = L"Stopped.";
      return result;
  }
}
