// A simulated PC for the GPU Clean suites: display adapters in the registry, the vendors'
// services on the sim network, and the tools the install starts.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/tool_standins.h"
#include "unit/app/recording_feed.h"
#include "unit/app/sim_fixture.h"

class DriverTest : public SimMachineTest {
 protected:
  static constexpr wchar_t kClass[] =
      L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
  static constexpr wchar_t kDrivers[] = L"C:\\ProgramData\\Veltrane\\drivers";

  void SeedAdapter(int index, const std::wstring& desc, const std::wstring& provider,
                   const std::wstring& matching, const std::wstring& version = L"") {
    wchar_t number[8];
    swprintf(number, 8, L"%04d", index);
    const std::wstring key = std::wstring(kClass) + L"\\" + number;
    auto& r = machine_.registry;
    r.Seed({platform::Hive::kLocalMachine, key, L"DriverDesc"}, desc);
    r.Seed({platform::Hive::kLocalMachine, key, L"ProviderName"}, provider);
    if (!matching.empty())
      r.Seed({platform::Hive::kLocalMachine, key, L"MatchingDeviceId"}, matching);
    if (!version.empty()) r.Seed({platform::Hive::kLocalMachine, key, L"DriverVersion"}, version);
  }

  void SeedGeForce(int index = 0) {
    SeedAdapter(index, L"NVIDIA GeForce RTX 4070", L"NVIDIA",
                L"pci\\ven_10de&dev_2786&subsys_16f110de", L"32.0.15.6094");
  }

  // The folder "<data folder>\\<prefix>-<16 hex digits>" that `text` names; empty when none.
  static std::wstring RunFolderIn(const std::wstring& text, const std::wstring& prefix) {
    const std::wstring start = L"C:\\ProgramData\\Veltrane\\" + prefix + L"-";
    const std::size_t at = text.find(start);
    if (at == std::wstring::npos) return {};
    const std::wstring folder = text.substr(at, start.size() + 16);
    const bool hex =
        folder.size() == start.size() + 16 &&
        folder.find_first_not_of(L"0123456789abcdef", start.size()) == std::wstring::npos;
    return hex ? folder : std::wstring();
  }
  // The data folder's subfolders whose names begin with `prefix` and a dash.
  std::size_t RunFolders(const std::wstring& prefix) {
    const auto entries = machine_.files.ListEntries(L"C:\\ProgramData\\Veltrane");
    std::size_t count = 0;
    for (const auto& entry : entries.value_or({})) {
      count += entry.is_directory && entry.name.starts_with(prefix + L"-") ? 1 : 0;
    }
    return count;
  }
  // Registers `image` as a program that, while it runs, does what another program could:
  // rewrite its file and write a DLL beside it. `untouchable_` records, run by run, that
  // the file was held and the folder protected, so both failed for anyone else.
  void RegisterProbe(const std::wstring& image, std::uint32_t exit_code) {
    machine_.processes.Register(image, [this, exit_code](const std::wstring& line) {
      const std::wstring exe = platform::QuotedTokens(line).at(0);
      const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
      const auto trust = machine_.files.QueryFolderTrust(folder);
      untouchable_.push_back(!machine_.files.WriteNew(exe, "MZ swapped").ok() && trust &&
                             trust->Trusted() && machine_.files.IsProtected(folder));
      return platform::SimProcesses::Outcome::Ends(exit_code, 1000);
    });
  }

  std::vector<bool> untouchable_;
  RecordingFeed feed_;
  ScopedFeed bound_{&feed_};
  platform::ToolStandIns tools_{machine_};
};
