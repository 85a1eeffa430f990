#include "app/elevation.h"

#include "app/output.h"
#include "platform/environment.h"
#include "platform/shell.h"
#include "platform/system.h"

bool IsProcessElevated() { return platform::Sys().environment.IsProcessElevated(); }

std::wstring ElevationParameters(const Arguments& args) {
  std::wstring parameters;
  for (const std::wstring& arg : args) {
    if (!parameters.empty()) parameters += L' ';
    parameters += L'"';
    for (wchar_t c : arg) {
      if (c == L'"') parameters += L'\\';
      parameters += c;
    }
    parameters += L'"';
  }
  return parameters;
}

bool RelaunchElevated(const Arguments& args) {
  auto& sys = platform::Sys();
  return sys.shell.RunElevated(sys.environment.ExecutablePath(), ElevationParameters(args));
}

Arguments WithElevatedFlag(const Arguments& args) {
  Arguments copy = args;
  copy.push_back(L"--elevated");
  return copy;
}

int EnsureElevated(const Options& options, const Arguments& args, bool& relaunched) {
  relaunched = false;
  if (IsProcessElevated()) return -1;
  // A copy that was itself relaunched must not relaunch again, or a broken elevation
  // would start copies without end.
  if (options.elevated) {
    PrintError(Format(L"%ls", kElevationIneffectiveLine));
    return 1;
  }
  PrintInfo(Format(L"Requesting administrator privileges (approve the UAC prompt)..."));
  if (RelaunchElevated(WithElevatedFlag(args))) {
    relaunched = true;
    return 0;
  }
  PrintError(Format(L"%ls", kElevationDeclinedLine));
  return 1;
}
