#include "afterburner/profile_file.h"

#include <cstdlib>

#include "afterburner/afterburner_paths.h"
#include "afterburner/cfg_text.h"
#include "afterburner/ini_lines.h"
#include "app/output.h"
#include "measure/atomic_file.h"
#include "measure/data_file.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

std::optional<std::string> StartupCurve(const std::string& text) {
  const auto value = IniValue(SplitIniLines(text), "Startup", "VFCurve");
  if (!value) return std::nullopt;
  return std::string(*value);
}

// A boost in kHz as whole MHz; what does not parse counts as 0.
long long BoostMhz(const std::vector<IniLine>& lines, std::string_view key) {
  const auto value = IniValue(lines, "Profile1", key);
  if (!value) return 0;
  const std::string digits(*value);
  return std::strtoll(digits.c_str(), nullptr, 10) / 1000;
}

std::wstring SignedMhz(long long mhz) { return Format(mhz > 0 ? L"+%lld" : L"%lld", mhz); }

}  // namespace

std::wstring ResolveProfilePath(const std::wstring& afterburnerExe, const std::wstring& identifier,
                                const std::wstring& deviceId) {
  auto& files = platform::Sys().files;
  const std::wstring folder = FolderOf(afterburnerExe) + L"\\Profiles";
  if (!identifier.empty() && files.Exists(folder + L"\\" + identifier + L".cfg")) {
    return folder + L"\\" + identifier + L".cfg";
  }
  const std::vector<std::wstring> names = files.List(folder, L"VEN_10DE*.cfg");
  if (names.empty()) return {};
  for (const std::wstring& name : names) {
    if (!deviceId.empty() && support::ContainsIgnoreCase(name, L"DEV_" + deviceId)) {
      return folder + L"\\" + name;
    }
  }
  return folder + L"\\" + names.front();
}

std::string CopyStartupToProfile1(const std::string& text) {
  const std::vector<IniLine> lines = SplitIniLines(text);
  const std::vector<IniSection> sections = SplitIniSections(lines);
  const std::string eol(LineEnding(text));
  // The startup lines, each ended the file's way.
  std::string startup;
  const IniSection* profile1 = nullptr;
  for (const IniSection& s : sections) {
    if (s.name == "Profile1" && !profile1) profile1 = &s;
    if (s.name != "Startup" || !startup.empty()) continue;
    for (std::size_t i = s.header + 1; i < s.end; ++i) startup.append(lines[i].body).append(eol);
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (profile1 && i > profile1->header && i < profile1->end) continue;
    out.append(lines[i].body);
    // The header's line may be the file's last and have no ending of its own.
    if (profile1 && i == profile1->header) {
      out.append(lines[i].ending.empty() ? std::string_view(eol) : lines[i].ending);
      out.append(startup);
    } else {
      out.append(lines[i].ending);
    }
  }
  if (!profile1) {
    if (!out.empty() && !EndsWithLineBreak(out)) out += eol;
    out += "[Profile1]" + eol + startup;
  }
  return out;
}

std::optional<std::wstring> SaveScannedProfile(const std::wstring& profilePath,
                                               const std::string& textBefore) {
  auto& files = platform::Sys().files;
  if (profilePath.empty()) return std::nullopt;
  // Step 1: only a scan that changed the startup curve has anything to save.
  const auto now = ReadDataFile(profilePath);
  if (!now) return std::nullopt;
  const auto curve = StartupCurve(*now);
  if (!curve || curve == StartupCurve(textBefore)) return std::nullopt;
  // Step 2: the user's own profile 1 stays recoverable.
  if (!files.Copy(profilePath, profilePath + L".bak", true).ok()) return std::nullopt;
  // Step 3: the edited file replaces the old one whole, or not at all.
  if (!WriteFileAtomically(profilePath, CopyStartupToProfile1(*now))) return std::nullopt;
  // Step 4: report what the file now says, not what was meant to be written.
  const auto saved = ReadDataFile(profilePath);
  if (!saved) return std::nullopt;
  const std::vector<IniLine> lines = SplitIniLines(*saved);
  if (!IniValue(lines, "Profile1", "VFCurve") || !IniValue(lines, "Startup", "VFCurve")) {
    return std::nullopt;
  }
  const long long core = BoostMhz(lines, "CoreClkBoost");
  const long long memory = BoostMhz(lines, "MemClkBoost");
  std::wstring message =
      L"Saved the scanned curve as profile 1 and as the current startup settings";
  if (core != 0 || memory != 0) {
    message += L" (core " + SignedMhz(core) + L" MHz, memory " + SignedMhz(memory) + L" MHz)";
  }
  return message + L". Profile 1 is applied now and at every logon.";
}
