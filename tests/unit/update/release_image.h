// Executable images for the update suites: "MZ", the PE header's offset at byte 60,
// "PE\0\0" and the machine there, and the sim's version marker after it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sim/files_sim.h"
#include "update/update_endpoints.h"

inline std::string ReleaseImage(std::uint32_t pe_at, std::uint16_t machine, const char* signature,
                                const platform::FileVersion& version) {
  std::string bytes = "MZ" + std::string(pe_at + 6 - 2, '\0');
  for (int i = 0; i < 4; ++i) bytes[60 + i] = static_cast<char>((pe_at >> (8 * i)) & 0xFF);
  bytes.replace(pe_at, 4, std::string(signature, 4));
  bytes[pe_at + 4] = static_cast<char>(machine & 0xFF);
  bytes[pe_at + 5] = static_cast<char>(machine >> 8);
  return bytes + platform::SimFiles::VersionedBytes(version);
}

// The hosts the suites stand in for the shipped ones, and a release published on them.
inline const update::UpdateEndpoints kTestHosts{L"updates.test", L"files.updates.test"};
inline constexpr wchar_t kTestFileUrl[] = L"https://files.updates.test/Veltrane-2.10.2.exe";
// sha256sum of ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 0}), 165 bytes.
inline constexpr wchar_t kX64Hash[] =
    L"51e5231bcb710067e830978d7bb6b695cd83463ddbf53e8a38e45c82807cac98";
