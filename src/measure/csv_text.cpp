#include "measure/csv_text.h"

#include <charconv>

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    bytes = lf == std::string_view::npos ? std::string_view{} : bytes.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t comma = line.find(',');
    fields.push_back(line.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

namespace {

std::string_view TrimLeadingSpaces(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) {
    field.remove_prefix(1);
  }
  return field;
}

}  // namespace

std::uint32_t ParseUnsigned(std::string_view field) {
  field = TrimLeadingSpaces(field);
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  (void)end;
  return ec == std::errc{} ? value : 0;
}

double ParseDouble(std::string_view field) {
  field = TrimLeadingSpaces(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  (void)end;
  return ec == std::errc{} ? value : 0;
}
