// Stand-ins for the archive tools and vendor installers the GPU Clean step starts. They
// act on the sim's files: an archive is a SimArchive (an optional "MZ" stub, a list of
// files, zero padding), which 7z and tar unpack into the folder their command line names.
//
//   platform::ToolStandIns tools(machine);
//   tools.InstallTar();  tools.InstallSevenZip();  tools.nvidia_setup_exit = 3010; ...
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class SimMachine;

namespace sim_archive {

using Entries = std::vector<std::pair<std::wstring, std::string>>;  // relative path, bytes

// "MZ" (when `stub`) + the entries, then zeros up to `padded_size` bytes.
std::string Pack(const Entries& entries, bool stub, std::uint64_t padded_size = 0);
// The entries; false when the bytes are no archive.
bool Unpack(const std::string& bytes, Entries& entries);

}  // namespace sim_archive

class ToolStandIns {
 public:
  explicit ToolStandIns(SimMachine& machine);

  // C:\Windows\System32\tar.exe: -xf "archive" -C "folder".
  void InstallTar();
  // 7z.exe at C:\Program Files\7-Zip: x -y -o"folder" "archive". Exit 2 for a file that
  // is no archive.
  void InstallSevenZip();
  // The 7-Zip installer (any file name starting "7z2"): /S puts 7z.exe in place.
  void RegisterSevenZipInstaller();
  // NVIDIA's setup.exe and pnputil.exe.
  void RegisterNvidiaSetup();
  void RegisterPnputil();

  std::uint32_t seven_zip_exit = 0;
  std::uint32_t seven_zip_installer_exit = 0;
  std::uint32_t nvidia_setup_exit = 0;
  std::uint32_t nvidia_setup_ms = 60000;
  std::uint32_t pnputil_exit = 0;
  std::uint32_t pnputil_ms = 5000;
  std::uint32_t tar_exit = 0;
  // Called by 7z with the archive's path before it reads it: what another program might
  // try while the archive is being unpacked.
  std::function<void(const std::wstring& archive)> on_unpack;
  // The command lines of each stand-in, in order.
  std::map<std::wstring, std::vector<std::wstring>> calls;

 private:
  SimMachine& machine_;
};

// The quoted tokens of a command line, in order (the 7z -o"..." folder included).
std::vector<std::wstring> QuotedTokens(const std::wstring& command_line);

}  // namespace platform
