#include "afterburner/ini_lines.h"

namespace {

std::string_view TrimBlanks(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<IniLine> SplitIniLines(std::string_view text) {
  std::vector<IniLine> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t brk = text.find_first_of("\r\n", start);
    if (brk == std::string_view::npos) {
      lines.push_back({text.substr(start), {}});
      break;
    }
    const std::size_t len =
        (text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n') ? 2 : 1;
    lines.push_back({text.substr(start, brk - start), text.substr(brk, len)});
    start = brk + len;
  }
  return lines;
}

bool IsSectionHeader(std::string_view body) {
  const std::string_view t = TrimBlanks(body);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

std::string_view SectionName(std::string_view body) {
  const std::string_view t = TrimBlanks(body);
  return t.substr(1, t.size() - 2);
}

bool EndsWithLineBreak(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

std::vector<IniSection> SplitIniSections(const std::vector<IniLine>& lines) {
  std::vector<IniSection> sections;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!IsSectionHeader(lines[i].body)) continue;
    if (!sections.empty()) sections.back().end = i;
    sections.push_back({SectionName(lines[i].body), i, lines.size()});
  }
  return sections;
}

std::optional<std::string_view> IniValue(const std::vector<IniLine>& lines,
                                         std::string_view section, std::string_view key) {
  for (const IniSection& s : SplitIniSections(lines)) {
    if (s.name != section) continue;
    for (std::size_t i = s.header + 1; i < s.end; ++i) {
      const std::string_view body = lines[i].body;
      const std::size_t eq = body.find('=');
      if (eq != std::string_view::npos && TrimBlanks(body.substr(0, eq)) == key) {
        return TrimBlanks(body.substr(eq + 1));
      }
    }
    return std::nullopt;
  }
  return std::nullopt;
}
