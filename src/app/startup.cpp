#include "app/startup.h"

#include <string_view>

#include "app/console_dispatch.h"
#include "app/dispatch_targets.h"
#include "app/elevation.h"
#include "app/output.h"
#include "app/parse_options.h"
#include "app/usage.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "service/timer_service.h"

namespace {

bool SkipsElevation(std::wstring_view command) {
  return command == L"help" || command == L"version" || command == L"self-test";
}

// The console gets a line; a GUI start has no console and gets a message box.
void ReportElevationFailure(bool console, const wchar_t* console_line, const wchar_t* box_text,
                            platform::MessageIcon icon) {
  if (console) {
    AttachParentConsole();
    PrintError(Format(L"%ls", console_line));
  } else {
    platform::Sys().shell.ShowMessage(L"Veltrane", box_text, icon);
  }
}

// Step 5: -1 to go on; otherwise the exit code of this (unelevated) copy.
int ElevateOrExit(const Options& options, const Arguments& args, bool console) {
  if (SkipsElevation(options.command) || IsProcessElevated()) return -1;
  if (options.elevated) {
    ReportElevationFailure(console, kElevationIneffectiveLine,
                           L"Veltrane must run as administrator, and elevation did not take "
                           L"effect.",
                           platform::MessageIcon::kError);
    return 1;
  }
  if (RelaunchElevated(WithElevatedFlag(args))) return 0;
  ReportElevationFailure(console, kElevationDeclinedLine,
                         L"Veltrane must run as administrator. Approve the UAC prompt and try "
                         L"again.",
                         platform::MessageIcon::kWarning);
  return 1;
}

}  // namespace

void AttachParentConsole() {
  auto& console = platform::Sys().console;
  if (console.IsConsole(platform::StdStream::kOut)) return;
  if (!console.AttachToParent()) {
    if (!console.Allocate()) return;
    console.SetTitle(L"Veltrane  \u00B7  Orvandel");
  }
  // Redirected streams stay where the caller pointed them.
  console.ReopenStreams();
}

int RunProcess(const Options& options, bool parsed, const Arguments& args) {
  // Step 3: the service runs under the Service Control Manager with nothing else around
  // it, whatever else the command line holds.
  if (options.command == L"service") return RunTimerServiceDispatcher();
  // A line that cannot be parsed gets the usage screen, never a guess at what was meant.
  if (!parsed) {
    AttachParentConsole();
    PrintUsage();
    return 1;
  }
  const bool console = IsConsoleInvocation(args, options);
  // Nearly every role changes the machine, so elevation comes before any of them starts.
  const int code = ElevateOrExit(options, args, console);
  if (code != -1) return code;
  // A console start runs one command to completion; any other start is the window.
  if (!console) return RunGuiRole(options, args);
  AttachParentConsole();
  return RunConsoleCommand(options, args);
}
