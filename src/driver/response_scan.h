// Hand-written readers of the vendors' answers, bounded by the text they are given:
// string values of quoted keys in NVIDIA's lookup response, and the quoted values of
// AMD's install script.
#pragma once

#include <string>
#include <string_view>

// The string value of `"key"` at or after `from`: the quoted key, a ':' within 8
// characters after it, blanks, tabs and line ends, then a quoted string in which
// \" \\ and \/ stand for that character and a \u sequence of six characters is dropped.
// "null", an empty string and a key without such a value are absent (empty result).
std::string ScanJsonString(std::string_view text, std::string_view key, std::size_t from = 0);

struct NvidiaPackage {
  std::string version;
  std::string name;
  std::string url;  // DownloadURLAdmin, else DownloadURL
};

// The package named after the quoted "DriverAttributes" key; all empty when the key is
// missing.
NvidiaPackage ScanNvidiaResponse(std::string_view body);

struct AmdScript {
  std::string url;       // after the first "url64", else the first "url"
  std::string checksum;  // after "checksum64"
};

// The first quoted value (single or double quotes, whichever comes first) after each
// marker of a package install script.
AmdScript ScanAmdScript(std::string_view script);
