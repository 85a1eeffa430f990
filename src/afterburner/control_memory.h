// Afterburner's shared-memory control interface: which GPU entry names the profile file,
// and the command that makes Afterburner apply the curve the scanner exported. The bytes
// come from another program, so every field is bounded by the mapped size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/desktop.h"

struct PciECard;

// The header fields the exchange relies on; `valid` is false when the signature, the
// header size, the entry size or the entry count do not fit the mapping, or when the
// header or the entry count exceeds what Afterburner ever writes (4096 bytes, 64 entries).
struct ControlHeader {
  bool valid = false;
  std::uint32_t headerSize = 0;
  std::uint32_t entryCount = 0;
  std::uint32_t commandWord = 0;
};
ControlHeader ReadControlHeader(std::string_view mapping);
// The identifier of the NVIDIA entry ("VEN_10DE...") that counts, preferring the one that
// names "DEV_" + `deviceId`; empty when there is none, or when it could not safely name a
// file (path or reserved characters, "..", control or non-ASCII bytes).
std::wstring FindGpuIdentifier(std::string_view mapping, const std::wstring& deviceId);
// True when the control mapping exists but no elevated program made it: a program of the
// session created it first, so what it says (and what is written to it) is not Afterburner's.
bool ControlMemoryIsForeign();
// The identifier as FindGpuIdentifier gives it, read under Afterburner's mutex; empty
// when the mutex or the mapping cannot be had, or the mapping is foreign.
std::wstring ReadGpuIdentifier(const std::wstring& deviceId);
// Asks Afterburner (its window `afterburnerWindow`) to apply the exported curve and
// waits for it to take the command. `identifier` receives the card's identifier. False
// when the mutex ran out (nothing was written), the mapping is missing, malformed or
// foreign, or Afterburner never took the command.
bool ApplyExportedCurve(const PciECard& card, platform::WindowHandle afterburnerWindow,
                        std::wstring& identifier);
