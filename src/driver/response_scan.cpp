#include "driver/response_scan.h"

namespace {

constexpr std::size_t kColonReach = 8;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The quoted string starting at `at` (a '"'), decoded; `ok` false when it never closes.
std::string ReadQuoted(std::string_view text, std::size_t at, bool& ok) {
  std::string value;
  ok = false;
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      ok = true;
      return value;
    }
    if (c != '\\' || i + 1 >= text.size()) {
      value += c;
      continue;
    }
    const char next = text[i + 1];
    if (next == '"' || next == '\\' || next == '/') {
      value += next;
      ++i;
    } else if (next == 'u') {
      i += 5;  // the backslash, 'u' and four digits go
    } else {
      value += c;
    }
  }
  return value;
}

// The quoted value after the first occurrence of `marker`.
std::string QuotedAfter(std::string_view text, std::string_view marker) {
  const std::size_t at = text.find(marker);
  if (at == std::string_view::npos) return {};
  const std::size_t open = text.find_first_of("'\"", at + marker.size());
  if (open == std::string_view::npos) return {};
  const std::size_t close = text.find(text[open], open + 1);
  if (close == std::string_view::npos) return {};
  return std::string(text.substr(open + 1, close - open - 1));
}

}  // namespace

std::string ScanJsonString(std::string_view text, std::string_view key, std::size_t from) {
  // Appended in place: GCC 12 misreads `"\"" + std::string(key)` as an overlapping copy.
  std::string quoted = "\"";
  quoted.append(key);
  quoted += '"';
  for (std::size_t at = text.find(quoted, from); at != std::string_view::npos;
       at = text.find(quoted, at + 1)) {
    const std::size_t after = at + quoted.size();
    const std::size_t colon = text.find(':', after);
    if (colon == std::string_view::npos || colon - after > kColonReach) continue;
    std::size_t value = colon + 1;
    while (value < text.size() && IsBlank(text[value])) ++value;
    if (value >= text.size() || text[value] != '"') continue;
    bool ok = false;
    std::string decoded = ReadQuoted(text, value, ok);
    if (!ok || decoded == "null") return {};
    return decoded;
  }
  return {};
}

NvidiaPackage ScanNvidiaResponse(std::string_view body) {
  NvidiaPackage package;
  const std::size_t at = body.find("\"DriverAttributes\"");
  if (at == std::string_view::npos) return package;
  package.version = ScanJsonString(body, "Version", at);
  package.name = ScanJsonString(body, "Name", at);
  package.url = ScanJsonString(body, "DownloadURLAdmin", at);
  if (package.url.empty()) package.url = ScanJsonString(body, "DownloadURL", at);
  return package;
}

AmdScript ScanAmdScript(std::string_view script) {
  AmdScript found;
  found.url = QuotedAfter(script, "url64");
  if (found.url.empty()) found.url = QuotedAfter(script, "url");
  found.checksum = QuotedAfter(script, "checksum64");
  return found;
}
