// The parsed command line. One instance lives for the whole run; console flows copy
// it when they need to change a field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class Fidelity : std::int32_t { Low = 0, Medium = 1, High = 2 };

// Values in 100-ns units where noted; 0 in `resolution`, `sweepFrom` and `sweepTo`
// means that no value was given.
struct Options {
  std::wstring command;
  std::uint32_t resolution = 0;  // 100-ns units
  std::uint32_t sweepFrom = 0;   // 100-ns units; 0 = kernel fastest
  std::uint32_t sweepTo = 0;     // 100-ns units; 0 = from + 1000
  std::uint32_t step = 10;       // 100-ns units
  std::uint32_t samples = 150;
  std::uint32_t passes = 3;
  std::uint32_t verifyCount = 1500;
  std::uint32_t margin = 0;  // 100-ns units
  bool marginSet = false;
  bool assumeYes = false;
  bool noPause = false;
  bool elevated = false;
  bool forceCli = false;
  bool forceGui = false;
  bool forcePpm = false;
  bool noPpm = false;
  bool forceGpu = false;
  bool noGpu = false;
  bool forceAfterburner = false;
  bool noAfterburner = false;
  bool noPrepare = false;
  bool noMemory = false;
  bool noStorage = false;
  Fidelity fidelity = Fidelity::Medium;
  bool fidelitySet = false;
  // The *Set flags record that the user (or a prompt) chose the value, so the fidelity
  // plan leaves it alone.
  bool samplesSet = false;
  bool passesSet = false;
  bool verifySet = false;
  bool show = false;
  bool measured = false;
};

using Arguments = std::vector<std::wstring>;
