// The role this build does not carry yet: it says so in one error line and fails, so a
// script never mistakes it for a done one.
#include "app/dispatch_targets.h"
#include "app/output.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "platform/system.h"

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
