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

namespace {

// Plain decimals ("-0.02100", "25.000") as the program writes them, read exactly as
// from_chars would: with at most 15 digits the digits and the power of ten are exact
// doubles, and one division rounds correctly. Anything else takes the general path.
bool ParsePlainDecimal(std::string_view field, double& value) {
  std::size_t i = 0;
  const bool negative = !field.empty() && field[0] == '-';
  if (negative) ++i;
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    if (++count > 15) return false;
    digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    if (point) ++decimals;
  }
  if (count == 0) return false;
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  value = static_cast<double>(digits) / kPowers[decimals];
  if (negative) value = -value;
  return true;
}

}  // namespace

double ParseDouble(std::string_view field) {
  field = TrimLeadingSpaces(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  if (ParsePlainDecimal(field, value)) return value;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  (void)end;
  return ec == std::errc{} ? value : 0;
}
