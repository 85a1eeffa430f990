#include "afterburner/cfg_text.h"

#include <utility>

#include "afterburner/afterburner_paths.h"
#include "afterburner/ini_lines.h"
#include "measure/atomic_file.h"
#include "measure/data_file.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

// In this order: startup through our logon task only, quiet, and the control interface on.
constexpr std::pair<const char*, const char*> kSettings[] = {
    {"StartWithWindows", "0"},
    {"StartMinimized", "1"},
    {"RememberSettings", "1"},
    {"RestoreAfterSuspendedMode", "1"},
    {"StartupViaTaskScheduler", "0"},
    {"StartupDelay", "0"},
    {"UnlockVoltageControl", "1"},
    {"UnlockVoltageMonitoring", "1"},
    {"FirstRun", "0"},
    {"EnableServer", "1"},
};

// The line is the key itself, then optional blanks, then '='.
bool IsKeyLine(std::string_view body, std::string_view key) {
  if (body.substr(0, key.size()) != key) return false;
  std::size_t i = key.size();
  while (i < body.size() && (body[i] == ' ' || body[i] == '\t')) ++i;
  return i < body.size() && body[i] == '=';
}

}  // namespace

std::string_view LineEnding(std::string_view text) {
  if (text.find("\r\n") != std::string_view::npos) return "\r\n";
  if (text.find('\n') != std::string_view::npos) return "\n";
  return "\r\n";
}

std::string SetCfgValue(std::string_view text, std::string_view key, std::string_view value) {
  const std::string setting = std::string(key) + " = " + std::string(value);
  const std::vector<IniLine> lines = SplitIniLines(text);
  std::string out;
  out.reserve(text.size() + setting.size() + 16);
  bool in_settings = false;
  bool found = false;
  std::size_t header_end = std::string::npos;  // where the [Settings] header line ends in `out`
  for (const IniLine& line : lines) {
    if (IsSectionHeader(line.body)) {
      in_settings = SectionName(line.body) == "Settings";
      out.append(line.body).append(line.ending);
      if (in_settings && header_end == std::string::npos) header_end = out.size();
      continue;
    }
    if (in_settings && IsKeyLine(line.body, key)) {
      out.append(setting).append(line.ending);
      found = true;
    } else {
      out.append(line.body).append(line.ending);
    }
  }
  if (found) return out;
  const std::string eol(LineEnding(text));
  if (header_end != std::string::npos) {
    // A header on the file's last line has no ending of its own yet.
    if (header_end == out.size() && !EndsWithLineBreak(out)) {
      out += eol;
      header_end = out.size();
    }
    out.insert(header_end, setting + eol);
    return out;
  }
  if (!out.empty() && !EndsWithLineBreak(out)) out += eol;
  return out + "[Settings]" + eol + setting + eol;
}

bool SetAfterburnerConfig(const std::wstring& exePath) {
  const std::wstring path = ConfigPath(exePath);
  const auto text = ReadDataFile(path);
  if (!text) return false;
  std::string edited = *text;
  for (const auto& [key, value] : kSettings) edited = SetCfgValue(edited, key, value);
  return edited == *text || WriteFileAtomically(path, edited);
}
