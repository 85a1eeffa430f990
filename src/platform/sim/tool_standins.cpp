#include "platform/sim/tool_standins.h"

#include "platform/sim/sim_machine.h"
#include "support/utf.h"

namespace platform {
namespace {

constexpr char kMagic[] = "SIMARCHIVE\n";
constexpr wchar_t kSevenZip[] = L"C:\\Program Files\\7-Zip\\7z.exe";
constexpr wchar_t kTar[] = L"C:\\Windows\\System32\\tar.exe";
constexpr wchar_t kPnputil[] = L"C:\\Windows\\System32\\pnputil.exe";

// Writes the entries under `folder`, making their folders; false for a path that would
// leave it.
bool Extract(SimFiles& files, const std::wstring& folder, const sim_archive::Entries& entries) {
  for (const auto& [name, bytes] : entries) {
    if (name.find(L"..") != std::wstring::npos || name.find(L':') != std::wstring::npos)
      return false;
    files.Seed(folder + L"\\" + name, bytes);
  }
  return true;
}

}  // namespace

namespace sim_archive {

std::string Pack(const Entries& entries, bool stub, std::uint64_t padded_size) {
  std::string bytes = stub ? "MZ" : "";
  bytes += kMagic;
  for (const auto& [name, content] : entries) {
    bytes += support::ToUtf8(name) + "\n" + std::to_string(content.size()) + "\n" + content;
  }
  bytes += "\n\n";
  if (bytes.size() < padded_size) bytes.resize(static_cast<std::size_t>(padded_size), '\0');
  return bytes;
}

bool Unpack(const std::string& bytes, Entries& entries) {
  entries.clear();
  std::size_t at = bytes.rfind("MZ", 0) == 0 ? 2 : 0;
  if (bytes.compare(at, sizeof kMagic - 1, kMagic) != 0) return false;
  at += sizeof kMagic - 1;
  for (;;) {
    const std::size_t name_end = bytes.find('\n', at);
    if (name_end == std::string::npos) return false;
    if (name_end == at) return true;  // the empty name ends the list
    const std::size_t size_end = bytes.find('\n', name_end + 1);
    if (size_end == std::string::npos) return false;
    const std::size_t size = std::stoul(bytes.substr(name_end + 1, size_end - name_end - 1));
    if (size_end + 1 + size > bytes.size()) return false;
    entries.emplace_back(support::FromUtf8(bytes.substr(at, name_end - at)),
                         bytes.substr(size_end + 1, size));
    at = size_end + 1 + size;
  }
}

}  // namespace sim_archive

std::vector<std::wstring> QuotedTokens(const std::wstring& line) {
  std::vector<std::wstring> tokens;
  for (std::size_t open = line.find(L'"'); open != std::wstring::npos;) {
    const std::size_t close = line.find(L'"', open + 1);
    if (close == std::wstring::npos) break;
    tokens.push_back(line.substr(open + 1, close - open - 1));
    open = line.find(L'"', close + 1);
  }
  return tokens;
}

ToolStandIns::ToolStandIns(SimMachine& machine) : machine_(machine) {}

void ToolStandIns::InstallTar() {
  machine_.files.Seed(kTar, "MZ tar");
  machine_.processes.Register(kTar, [this](const std::wstring& line) {
    calls[L"tar"].push_back(line);
    const auto tokens = QuotedTokens(line);  // tool, archive, folder
    sim_archive::Entries entries;
    const auto bytes = tokens.size() == 3 ? machine_.files.ReadAll(tokens[1]) : std::string();
    const bool ok = bytes && sim_archive::Unpack(*bytes, entries) &&
                    Extract(machine_.files, tokens[2], entries);
    return SimProcesses::Outcome::Ends(ok ? tar_exit : 1u, 200);
  });
}

void ToolStandIns::InstallSevenZip() {
  machine_.files.Seed(kSevenZip, "MZ 7z");
  machine_.processes.Register(kSevenZip, [this](const std::wstring& line) {
    calls[L"7z"].push_back(line);
    const auto tokens = QuotedTokens(line);  // tool, folder, archive
    if (on_unpack && tokens.size() == 3) on_unpack(tokens[2]);
    sim_archive::Entries entries;
    const auto bytes = tokens.size() == 3 ? machine_.files.ReadAll(tokens[2]) : std::string();
    if (!bytes || !sim_archive::Unpack(*bytes, entries)) return SimProcesses::Outcome::Ends(2, 500);
    machine_.files.SeedDirectory(tokens[1]);
    if (!Extract(machine_.files, tokens[1], entries)) return SimProcesses::Outcome::Ends(2, 500);
    return SimProcesses::Outcome::Ends(seven_zip_exit, 30000);
  });
}

// The installer and NVIDIA's setup run from folders each run makes: found by name alone.
void ToolStandIns::RegisterSevenZipInstaller() {
  machine_.processes.Register(L"7z2605-x64.exe", [this](const std::wstring& line) {
    calls[L"7z-installer"].push_back(line);
    if (seven_zip_installer_exit == 0) InstallSevenZip();
    return SimProcesses::Outcome::Ends(seven_zip_installer_exit, 20000);
  });
}

void ToolStandIns::RegisterNvidiaSetup() {
  machine_.processes.Register(L"setup.exe", [this](const std::wstring& line) {
    calls[L"setup"].push_back(line);
    return SimProcesses::Outcome::Ends(nvidia_setup_exit, nvidia_setup_ms);
  });
}

void ToolStandIns::RegisterPnputil() {
  machine_.files.Seed(kPnputil, "MZ pnputil");
  machine_.processes.Register(kPnputil, [this](const std::wstring& line) {
    calls[L"pnputil"].push_back(line);
    return SimProcesses::Outcome::Ends(pnputil_exit, pnputil_ms);
  });
}

}  // namespace platform
