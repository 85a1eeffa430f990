#include "platform/sim/afterburner_sim.h"

#include <algorithm>

namespace platform {

namespace {

constexpr wchar_t kMapping[] = L"MACMSharedMemory";
constexpr wchar_t kMutex[] = L"Global\\Access_MACMSharedMemory";
constexpr std::uint32_t kHeaderSize = 40;
constexpr std::uint32_t kEntrySize = 3760;

std::string Word(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

// One GPU entry in use, named by `identifier`.
std::string ControlMapping(const std::string& identifier) {
  std::string bytes(kHeaderSize + kEntrySize, '\0');
  bytes.replace(0, 4, Word(0x4D41434D));
  bytes.replace(8, 4, Word(kHeaderSize));
  bytes.replace(12, 4, Word(1));
  bytes.replace(16, 4, Word(kEntrySize));
  bytes.replace(kHeaderSize + 316, 4, Word(1));
  bytes.replace(kHeaderSize + 3536, identifier.size(), identifier);
  return bytes;
}

}  // namespace

SimAfterburner::SimAfterburner(SimMachine& machine) : machine_(machine) {
  machine_.desktop.AddTicker([this] { FollowScan(); });
}

void SimAfterburner::Install(const std::wstring& folder, const std::string& cfg,
                             const std::string& profile) {
  folder_ = folder;
  machine_.files.Seed(folder + L"\\MSIAfterburner.exe", "MZ afterburner");
  machine_.files.Seed(folder + L"\\Bundle\\OCScanner\\MSIOCScanner_x64.exe", "MZ scanner");
  machine_.files.Seed(folder + L"\\MSIAfterburner.cfg", cfg);
  machine_.files.Seed(ProfilePath(), profile);
  machine_.processes.RegisterApp(
      L"MSIAfterburner.exe",
      [this](std::uint32_t id, const std::wstring&) { StartAfterburner(id); });
  machine_.processes.RegisterApp(
      L"MSIOCScanner_x64.exe", [this](std::uint32_t id, const std::wstring&) { StartScanner(id); });
}

std::wstring SimAfterburner::ProfilePath() const {
  return folder_ + L"\\Profiles\\" +
         std::wstring(afterburner.identifier.begin(), afterburner.identifier.end()) + L".cfg";
}

std::wstring SimAfterburner::ScannerLog() const {
  std::wstring text;
  for (const std::wstring& line : log_) text += line + L"\r\n";
  return text;
}

void SimAfterburner::StartAfterburner(std::uint32_t id) {
  SimDesktop& desktop = machine_.desktop;
  SimDesktop::Window main;
  main.process_id = id;
  main.visible = false;  // starts minimized to the tray
  main.text = L"MSI Afterburner 4.6.6";
  const WindowHandle window = desktop.AddWindow(main);
  AddCardList(window, afterburner.cards);
  if (afterburner.createsMapping) {
    machine_.shared_memory.CreateMapping(kMapping, ControlMapping(afterburner.identifier));
    machine_.shared_memory.CreateMutex(kMutex);
  }
  desktop.SetHandler(window, [this, id](const SimDesktop::Message& m) {
    if (m.kind == SimDesktop::MessageKind::kRegistered && m.name == L"MACMCmdNotification" &&
        afterburner.takesCommand &&
        machine_.shared_memory.Bytes(kMapping).substr(32, 4) == Word(0x00AB0001)) {
      machine_.shared_memory.SetBytes(kMapping, 32, Word(0));
      applied_ = true;
    }
    if (m.kind == SimDesktop::MessageKind::kClose && afterburner.honoursClose) {
      if (applied_ && afterburner.rewritesProfile) {
        const std::string text = machine_.files.ReadAll(ProfilePath()).value_or("");
        const std::size_t at = text.find("[Startup]");
        const std::size_t end = text.find('[', at + 1);
        const std::string startup =
            "[Startup]\r\nFormat=2\r\nCoreClkBoost=105000\r\nMemClkBoost=0\r\nVFCurve=SCANNED\r\n";
        if (at != std::string::npos) {
          machine_.files.Seed(
              ProfilePath(),
              text.substr(0, at) + startup + (end == std::string::npos ? "" : text.substr(end)));
        }
      }
      machine_.processes.Exit(id, 0);
    }
  });
}

void SimAfterburner::StartScanner(std::uint32_t id) {
  SimDesktop& desktop = machine_.desktop;
  scanner_id_ = id;
  scanner_start_ = machine_.clock.TickCount64();
  scanning_ = false;
  refusals_left_ = scanner.refusals;
  points_logged_ = 0;
  connected_logged_ = false;
  log_.clear();
  scanner_window_ = 0;
  if (!scanner.showsWindow) return;
  SimDesktop::Window main;
  main.process_id = id;
  main.text = L"MSI Overclocking Scanner v1.0";
  scanner_window_ = desktop.AddWindow(main);
  SimDesktop::Window button;
  button.parent = scanner_window_;
  button.class_name = L"Button";
  button.control_id = 1001;
  button.text = L"Scan";
  scan_button_ = desktop.AddWindow(button);
  AddCardList(scanner_window_, scanner.cards);
  desktop.SetHandler(scanner_window_,
                     [this](const SimDesktop::Message& m) { OnScannerMessage(m); });
}

void SimAfterburner::OnScannerMessage(const SimDesktop::Message& m) {
  if (m.kind == SimDesktop::MessageKind::kClose) {
    if (scanner.honoursClose) machine_.processes.Exit(scanner_id_, 0);
    return;
  }
  if (m.kind != SimDesktop::MessageKind::kCommand || m.control_id != 1001 || scanning_) return;
  if (refusals_left_ > 0) {
    --refusals_left_;
    Log(L"Failed to start scanning");
    return;
  }
  scanning_ = true;
  accepted_at_ = machine_.clock.TickCount64();
  Log(L"Start scanning");
  machine_.desktop.Update(scan_button_, [](SimDesktop::Window& w) { w.text = L"Stop"; });
}

void SimAfterburner::FollowScan() {
  if (scanner_window_ == 0) return;
  const std::uint64_t now = machine_.clock.TickCount64();
  if (scanner.connects && !connected_logged_ && now - scanner_start_ >= 1000) {
    connected_logged_ = true;
    Log(L"Connected to MSI Afterburner");
  }
  if (!scanning_) return;
  const std::uint64_t elapsed = now - accepted_at_;
  const int point = static_cast<int>(
      std::min<std::uint64_t>(scanner.points, elapsed * scanner.points / scanner.scanMs));
  while (points_logged_ < point &&
         (points_logged_ + 1 < scanner.points || scanner.ending == ScannerScript::Ending::kHangs)) {
    ++points_logged_;
    Log(L"Scanning point " + std::to_wstring(points_logged_) + L" of " +
        std::to_wstring(scanner.points));
  }
  if (elapsed < scanner.scanMs || scanner.ending == ScannerScript::Ending::kHangs) return;
  scanning_ = false;
  if (scanner.ending == ScannerScript::Ending::kSucceeds) {
    Log(L"Scan succeeded");
    Log(L"Overclocked curve exported");
  } else {
    Log(L"Scan failed");
  }
  machine_.desktop.Update(scan_button_, [](SimDesktop::Window& w) { w.text = L"Scan"; });
}

void SimAfterburner::Log(const std::wstring& line) {
  log_.push_back(line);
  const std::wstring text = ScannerLog();
  machine_.desktop.Update(scanner_window_,
                          [&text](SimDesktop::Window& w) { w.automation_names[L"1007"] = text; });
}

WindowHandle SimAfterburner::AddCardList(WindowHandle parent,
                                         const std::vector<std::wstring>& cards) {
  SimDesktop::Window combo;
  combo.parent = parent;
  combo.class_name = L"ComboBox";
  combo.control_id = 1100;
  combo.items = cards;
  combo.selection = 0;
  return machine_.desktop.AddWindow(combo);
}

}  // namespace platform
