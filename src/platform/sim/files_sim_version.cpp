// The sim's version resources: a marker in the file's own bytes.
#include <cstdio>
#include <string>

#include "platform/sim/files_sim.h"

namespace platform {
namespace {

constexpr char kMarker[] = "VS_FIXEDFILEINFO ";

}  // namespace

std::string SimFiles::VersionedBytes(const FileVersion& version) {
  return "MZ\r\n" + std::string(kMarker) + std::to_string(version.major) + "." +
         std::to_string(version.minor) + "." + std::to_string(version.build) + "." +
         std::to_string(version.revision) + "\r\n";
}

support::Result<FileVersion> SimFiles::ReadFileVersion(const std::wstring& path) {
  auto bytes = ReadAll(path);
  if (!bytes) return bytes.error();
  // ERROR_RESOURCE_TYPE_NOT_FOUND, as GetFileVersionInfoSizeW says of a file without one.
  const auto missing = support::Fail(support::ErrorCode::kFailed, path, 1813);
  const std::size_t at = bytes->find(kMarker);
  if (at == std::string::npos) return missing;
  unsigned parts[4] = {};
  const std::string text = bytes->substr(at + sizeof(kMarker) - 1, 64);
  if (std::sscanf(text.c_str(), "%5u.%5u.%5u.%5u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) {
    return missing;
  }
  for (unsigned part : parts) {
    if (part > 0xFFFF) return missing;
  }
  return FileVersion{static_cast<std::uint16_t>(parts[0]), static_cast<std::uint16_t>(parts[1]),
                     static_cast<std::uint16_t>(parts[2]), static_cast<std::uint16_t>(parts[3])};
}

}  // namespace platform
