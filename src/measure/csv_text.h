// Splitting and number reading shared by the readers of the data files. Files come from
// disk and may be damaged or hand-edited: nothing here trusts its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Lines split at LF; a CR ending a line is dropped; empty lines are left out.
std::vector<std::string_view> SplitLines(std::string_view bytes);
// Fields split at every comma, no quoting; "a,,b" gives three fields.
std::vector<std::string_view> SplitFields(std::string_view line);
// The first `N` fields of `line` into `fields` without allocating; returns how many
// fields the line has in all (possibly more than N).
template <std::size_t N>
std::size_t SplitFieldsInto(std::string_view line, std::string_view (&fields)[N]) {
  std::size_t count = 0;
  for (;;) {
    const std::size_t comma = line.find(',');
    if (count < N) fields[count] = line.substr(0, comma);
    ++count;
    if (comma == std::string_view::npos) return count;
    line.remove_prefix(comma + 1);
  }
}
// Decimal digits only (leading spaces allowed); 0 for anything else or an overflow.
std::uint32_t ParseUnsigned(std::string_view field);
// A C-locale floating-point number (prefix accepted); 0 for an empty or unreadable field.
// May return an infinity or NaN when the text says so: callers decide what to do.
double ParseDouble(std::string_view field);
