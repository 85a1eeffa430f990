// Driving Afterburner's OC scanner on the PCI-E card and keeping its curve.
#pragma once

#include <string>

#include "app/feed.h"

struct PciECard;

struct OcScanResult {
  bool profileSaved = false;  // profile 1 holds the scanned curve
  bool stopped = false;       // the user cancelled: the step ends now
  std::wstring error;         // a failure of the step, else empty
};

// Starts Afterburner and its scanner, presses Scan, follows the scan, has Afterburner
// apply the exported curve and saves it as profile 1. Every wait is bounded; the scan
// itself at 45 minutes.
OcScanResult RunOcScan(gui::Feed* feed, const PciECard& card, const std::wstring& afterburnerExe);
