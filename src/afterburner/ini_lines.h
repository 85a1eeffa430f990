// The line and section structure of Afterburner's INI-style files, kept as bytes so that
// a file written back differs only where it was edited.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct IniLine {
  std::string_view body;    // without its line ending
  std::string_view ending;  // "\r\n", "\n", "\r" or empty on the last line
};

// Every line of `text`; the views point into it. Concatenating body and ending of every
// line gives `text` back exactly.
std::vector<IniLine> SplitIniLines(std::string_view text);
// "[name]" after optional leading blanks.
bool IsSectionHeader(std::string_view body);
// The name between the brackets of a header line.
std::string_view SectionName(std::string_view body);
bool EndsWithLineBreak(std::string_view text);

// One section: the index of its header line and one past its last line. The lines before
// the first header form no section.
struct IniSection {
  std::string_view name;
  std::size_t header = 0;
  std::size_t end = 0;
};
std::vector<IniSection> SplitIniSections(const std::vector<IniLine>& lines);
// The value of `key` ("key=value", blanks around both trimmed) in the section `name`;
// nullopt when the section or the key is missing.
std::optional<std::string_view> IniValue(const std::vector<IniLine>& lines,
                                         std::string_view section, std::string_view key);
