#include "app/usage.h"

#include "app/output.h"
#include "app/product.h"

namespace {

// Descriptions start in column 40; the --apply-afterburner entry is one column short
// because its switch is one character too long for the gap.
constexpr wchar_t kUsage[] =
    L"\n"
    L"Usage:\n"
    L"  Veltrane.exe                         Open the GUI: named-step tuning workflow.\n"
    L"  Veltrane.exe --cli                   The same default flow in a console (no GUI).\n"
    L"  Veltrane.exe --gui                   Force the GUI (default when no command is given).\n"
    L"  Veltrane.exe --benchmark             Benchmark only; does not install. If the\n"
    L"                                       service starts again and more than one run\n"
    L"                                       is saved, it holds the lowest aggregate score.\n"
    L"  Veltrane.exe --install               Benchmark + install/update the service.\n"
    L"                                       After more than one saved run, install\n"
    L"                                       uses the lowest aggregate score.\n"
    L"      [--resolution N]                 Skip the benchmark; use N (100-ns units,\n"
    L"                                       e.g. 5070 = 0.507 ms).\n"
    L"  Benchmark tuning (0.50-0.60 ms in 0.001 ms steps):\n"
    L"      --fidelity low|medium|high       Wakes timed at each interval. Default\n"
    L"                                       medium is 1/8 of high: 18 back-to-back\n"
    L"                                       per pass, half as many after an idle gap,\n"
    L"                                       3 passes, verify 187. About 35 seconds.\n"
    L"                                       High is 150 / 3 passes / verify 1500,\n"
    L"                                       about 3 min 20 s. Low is 8 samples,\n"
    L"                                       1 pass, verify 100, about 10 seconds.\n"
    L"      --from N / --to N                Sweep range in 100-ns units\n"
    L"                                       (default: kernel fastest .. +1000).\n"
    L"      --step N                         Grid step in 100-ns units (default 10).\n"
    L"      --samples N                      Back-to-back Sleep(1) samples per candidate per\n"
    L"                                       pass; half as many idle-gap samples are added.\n"
    L"                                       Overrides --fidelity for this count.\n"
    L"      --passes N                       Sweep passes, each in a different order.\n"
    L"                                       Overrides --fidelity (default 3, or 1 on low).\n"
    L"      --verify N                       Samples per finalist in the interleaved\n"
    L"                                       verification. Overrides --fidelity.\n"
    L"      --margin N                       Safety margin above the boundary in 100-ns\n"
    L"                                       units (default: auto, >= 50 = 0.005 ms).\n"
    L"      --quick                          Coarse preview (~20 s): step 20, 1 pass,\n"
    L"                                       30 samples, verify 300.\n"
    L"  Veltrane.exe --apply                 Hold a resolution in this console until\n"
    L"      [--resolution N]                 Ctrl+C (default: kernel fastest). One-off,\n"
    L"                                       nothing is installed.\n"
    L"  Veltrane.exe --status                Show installed/current resolution state.\n"
    L"  Veltrane.exe --health                Read-only check of applied settings.\n"
    L"  Veltrane.exe --report                Print a plain-text report of this machine and\n"
    L"                                       its tune, to paste when asking for help.\n"
    L"  Veltrane.exe --guard                 Re-apply hardened settings. Used by the startup "
    L"guard.\n"
    L"  Veltrane.exe --self-test             Check the health-status rules. Changes nothing.\n"
    L"  Veltrane.exe --stop                  Stop the service (keeps it installed).\n"
    L"  Veltrane.exe --start                 Start the installed service.\n"
    L"  Veltrane.exe --uninstall             Remove the service and restore tweaks.\n"
    L"  Veltrane.exe --apply-prepare         Create a System Restore point only.\n"
    L"  Veltrane.exe --apply-ppm             Apply processor-power (PPM) tweaks only.\n"
    L"      --ppm                            Force them even if turbo/PBO is detected.\n"
    L"      --no-ppm                         Skip the CPU Tune step.\n"
    L"  Veltrane.exe --apply-gpu             Apply GPU driver / Windows graphics tweaks only.\n"
    L"      --gpu                            Force the GPU Config step.\n"
    L"      --no-gpu                         Skip the GPU Config step.\n"
    L"  Veltrane.exe --apply-afterburner    Install Afterburner and RivaTuner, scan, and\n"
    L"                                       apply the overclock at every logon. This step "
    L"only.\n"
    L"      --afterburner                    Force that step in the full flow.\n"
    L"      --no-afterburner                 Skip the Afterburner step.\n"
    L"  Veltrane.exe --apply-memory          Pagefile + disable memory compression only.\n"
    L"  Veltrane.exe --apply-storage         PCIe/USB/disk/TRIM/SysMain tweaks only.\n"
    L"      --no-prepare / --no-memory / --no-storage\n"
    L"                                       Skip that step in the full flow.\n"
    L"  Veltrane.exe --yes                   Do not prompt for confirmation.\n"
    L"  Veltrane.exe --no-pause              Do not pause at the end, and skip the\n"
    L"                                       per-tweak dwell (scripting).\n"
    L"  Veltrane.exe --service               Internal: service entry point (SCM only).\n"
    L"\n";

}  // namespace

void PrintUsage() {
  // The screen is longer than one formatted line, so only the log line is formatted.
  WriteStandardOutput(kUsage + Format(L"Log: %ls\n\n", LogPath().c_str()));
}

void PrintVersion() {
  WriteStandardOutput(Format(L"Veltrane %ls\n%ls\n%ls\n", kVersionText, kMakerName, kMakerUrl));
}
