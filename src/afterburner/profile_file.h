// Afterburner's per-GPU profile file: finding it, and saving the scanned settings as
// profile 1 and as the startup settings.
#pragma once

#include <optional>
#include <string>

// In the "Profiles" folder next to `afterburnerExe`: `identifier` + ".cfg" when that
// exists; else a "VEN_10DE*.cfg" file, the one naming "DEV_" + `deviceId` first, else the
// first by name. Empty when there is none.
std::wstring ResolveProfilePath(const std::wstring& afterburnerExe, const std::wstring& identifier,
                                const std::wstring& deviceId);
// When Afterburner's startup settings carry a VFCurve other than `textBefore` had, copies
// them over [Profile1] (and keeps [Startup]), after saving the file as it was to ".bak".
// Returns the message for the user, or nullopt when nothing new was written or any read
// or write failed.
std::optional<std::wstring> SaveScannedProfile(const std::wstring& profilePath,
                                               const std::string& textBefore);
// The profile text with [Profile1] holding the lines of [Startup]; other bytes kept.
std::string CopyStartupToProfile1(const std::string& text);
