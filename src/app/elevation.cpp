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
    // The splitter reads 2n backslashes before a quote as n, and 2n + 1 as n and a
    // literal quote; elsewhere backslashes are literal. So a run is doubled exactly where
    // a quote follows it, the closing quote included.
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
      if (c == L'\\') {
        ++backslashes;
      } else if (c == L'"') {
        parameters.append(backslashes + 1, L'\\');
        backslashes = 0;
      } else {
        backslashes = 0;
      }
      parameters += c;
    }
    parameters.append(backslashes, L'\\');
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
