// The console's Afterburner step: --apply-afterburner and the default flow's step.
#include "afterburner/install_afterburner.h"
#include "app/console_flows.h"
#include "app/dispatch_targets.h"
#include "app/output.h"

namespace {

// The console wrapper of the whole step; true when it succeeded.
bool ApplyAfterburner() {
  if (gui::Feed* feed = CurrentFeed()) {
    feed->ShowItem(L"Afterburner",
                   L"The Afterburner download and OC scan take about 30 minutes. MSI Afterburner "
                   L"and RivaTuner are installed if they are missing. On an NVIDIA GPU the scanner "
                   L"starts on its own. The curve is applied to the current settings, saved as "
                   L"profile 1, and applied at every logon.");
    feed->ShowStatus(L"AFTERBURNER", L"download and scan, about 30 minutes");
  }
  PrintInfo(
      L"Installing MSI Afterburner and RivaTuner, then scanning a startup overclock. This "
      L"takes about 30 minutes.");
  std::wstring error;
  bool profile_saved = false;
  if (gui::InstallAfterburner(CurrentFeed(), error, &profile_saved)) {
    // Without a scanned profile there is no profile 1 to promise.
    PrintInfo(profile_saved ? L"Afterburner and RivaTuner apply profile 1 now and at every logon."
                            : L"Afterburner starts at every logon with its own saved settings. No "
                              L"scanned profile was applied.");
    return true;
  }
  PrintError(error.empty() ? L"Afterburner did not install." : error);
  return false;
}

}  // namespace

bool RunAfterburnerCommand() { return ApplyAfterburner(); }

int ConsoleAfterburner(const Options& options) {
  if (options.noAfterburner) {
    PrintInfo(L"Skipping Afterburner (--no-afterburner).");
    return 2;
  }
  const bool run =
      options.forceAfterburner || options.assumeYes ||
      Confirm(options,
              L"Download MSI Afterburner if it is missing and scan an NVIDIA overclock? The "
              L"download and scan take about 30 minutes. The curve is applied now, saved as "
              L"profile 1, and applied at every logon.",
              true);
  if (!run) {
    PrintInfo(L"Afterburner was not installed. Re-run with --apply-afterburner.");
    return 2;
  }
  return ApplyAfterburner() ? 0 : 1;
}
