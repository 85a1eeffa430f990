// SimAfterburner: Afterburner and its OC scanner as programs of the simulated machine.
// Installed into a folder, each runs as an app model when started: windows with their
// card lists, the scanner's Scan button and status log following a script on the sim
// clock, and Afterburner's control mapping, which takes the apply command (or never does)
// and rewrites the profile's startup settings when Afterburner closes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace platform {

class SimAfterburner {
 public:
  struct ScannerScript {
    bool showsWindow = true;
    bool connects = true;           // "Connected to MSI Afterburner" one second after start
    int refusals = 0;               // presses answered with "Failed to start scanning"
    std::uint32_t scanMs = 600000;  // from the accepted press to the verdict
    int points = 60;
    enum class Ending { kSucceeds, kFails, kHangs } ending = Ending::kSucceeds;
    bool honoursClose = true;
    std::vector<std::wstring> cards = {L"Intel(R) UHD Graphics 770", L"NVIDIA GeForce RTX 4070"};
  };
  struct AfterburnerScript {
    bool createsMapping = true;
    bool takesCommand = true;
    bool honoursClose = true;
    bool rewritesProfile = true;  // writes the applied curve into [Startup] as it closes
    std::vector<std::wstring> cards = {L"Intel(R) UHD Graphics 770", L"NVIDIA GeForce RTX 4070"};
    std::string identifier = "VEN_10DE&DEV_2786&SUBSYS_88881043&REV_A1";
  };

  explicit SimAfterburner(SimMachine& machine);

  // Seeds MSIAfterburner.exe, the scanner, MSIAfterburner.cfg (`cfg`) and the card's
  // profile (`profile`) under `folder`, and registers both programs.
  void Install(const std::wstring& folder, const std::string& cfg, const std::string& profile);
  std::wstring ProfilePath() const;
  // The scanner's log as the window shows it now.
  std::wstring ScannerLog() const;
  bool CommandTaken() const { return applied_; }

  ScannerScript scanner;
  AfterburnerScript afterburner;

 private:
  void StartAfterburner(std::uint32_t id);
  void StartScanner(std::uint32_t id);
  void OnScannerMessage(const SimDesktop::Message& message);
  void FollowScan();  // ticker: the scan's log up to the clock
  void Log(const std::wstring& line);
  WindowHandle AddCardList(WindowHandle parent, const std::vector<std::wstring>& cards);

  SimMachine& machine_;
  std::wstring folder_;
  std::uint32_t scanner_id_ = 0;
  WindowHandle scanner_window_ = 0;
  WindowHandle scan_button_ = 0;
  std::uint64_t scanner_start_ = 0;
  std::uint64_t accepted_at_ = 0;
  bool scanning_ = false;
  int refusals_left_ = 0;
  int points_logged_ = 0;
  bool connected_logged_ = false;
  bool applied_ = false;
  std::vector<std::wstring> log_;
};

}  // namespace platform
