#include "app/gui_role.h"

#include "app/dispatch_targets.h"
#include "app/output.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace {

GuiEntry g_entry = nullptr;

}  // namespace

void SetGuiEntry(GuiEntry entry) { g_entry = entry; }

int RunGuiRole(const Options& options, const Arguments& args) {
  if (g_entry != nullptr) return g_entry(options, args);
  // No window in this build: a double-click must not end in silence, so the line also goes
  // to a message box, unless a script captures the output and would hang on the box.
  constexpr wchar_t kLine[] = L"The Veltrane window is not available in this build.";
  auto& sys = platform::Sys();
  PrintError(Format(L"%ls", kLine));
  if (!sys.console.IsRedirected(platform::StdStream::kOut) &&
      !sys.console.IsRedirected(platform::StdStream::kErr)) {
    sys.shell.ShowMessage(L"Veltrane", kLine, platform::MessageIcon::kError);
  }
  return 1;
}
