// Commands whose flows this build does not carry yet. Each says so in one error line and
// fails, so a script never mistakes a missing step for a done one.
#include "app/console_flows.h"
#include "app/dispatch_targets.h"
#include "app/output.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace {

int NotAvailable(const wchar_t* command_switch) {
  PrintError(Format(L"%ls is not available in this build yet.", command_switch));
  return 1;
}

// The default flow calls the step wrappers too; their --no-* switches still skip them.
int SkippedOrNotAvailable(bool skip, const wchar_t* skip_line, const wchar_t* command_switch) {
  if (skip) {
    PrintInfo(Format(L"%ls", skip_line));
    return 2;
  }
  return NotAvailable(command_switch);
}

}  // namespace

bool RunAfterburnerCommand() { return NotAvailable(L"--apply-afterburner") == 0; }

int ConsoleAfterburner(const Options& options) {
  return SkippedOrNotAvailable(options.noAfterburner, L"Skipping Afterburner (--no-afterburner).",
                               L"--apply-afterburner");
}

// The GUI role has no console: a double-click must not end in silence, so the line also
// goes to a message box, unless a script captures the output and would hang on the box.
int RunGuiRole(const Options&, const Arguments&) {
  constexpr wchar_t kLine[] = L"The Veltrane window is not available in this build yet.";
  auto& sys = platform::Sys();
  PrintError(Format(L"%ls", kLine));
  if (!sys.console.IsRedirected(platform::StdStream::kOut) &&
      !sys.console.IsRedirected(platform::StdStream::kErr)) {
    sys.shell.ShowMessage(L"Veltrane", kLine, platform::MessageIcon::kError);
  }
  return 1;
}
