// The only entry point: installs the Win32 system, splits and parses the command line,
// and hands the process to the start-up order.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include "app/gui_role.h"
#include "app/options.h"
#include "app/parse_options.h"
#include "app/startup.h"
#include "gui/win32/main_window.h"
#include "platform/system.h"
#include "platform/win32/win32_system.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything can load a DLL: the exe may sit in Downloads beside a planted one, and
  // it runs elevated, so only System32 is searched from here on.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  platform::InstallSystem(&platform::Win32System());
  SetGuiEntry(&gui::win32::RunGui);

  // Split once, by the rules the relaunch quotes for, so every later reader sees one list.
  Arguments args;
  int count = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
  }
  // Parsed once before any role starts; a bad line still reaches the start-up, which
  // answers it with the usage screen.
  Options options;
  const bool parsed = ParseOptions(args, options);
  return RunProcess(options, parsed, args);
}
