#include "app/parse_options.h"

#include <limits>
#include <string_view>

#include "app/output.h"

namespace {

struct CommandSwitch {
  const wchar_t* name;
  const wchar_t* command;
};

constexpr CommandSwitch kCommandSwitches[] = {
    {L"--install", L"install"},
    {L"--benchmark", L"benchmark"},
    {L"--apply", L"apply"},
    {L"--status", L"status"},
    {L"--start", L"start"},
    {L"--stop", L"stop"},
    {L"--uninstall", L"uninstall"},
    {L"--service", L"service"},
    {L"--health", L"health"},
    {L"--report", L"report"},
    {L"--guard", L"guard"},
    {L"--self-test", L"self-test"},
    {L"--apply-prepare", L"prepare"},
    {L"--apply-ppm", L"ppm"},
    {L"--apply-gpu", L"gpu"},
    {L"--apply-afterburner", L"afterburner"},
    {L"--apply-memory", L"memory"},
    {L"--apply-storage", L"storage"},
    {L"--help", L"help"},
    {L"-h", L"help"},
    {L"/?", L"help"},
    {L"--version", L"version"},
};

struct FlagSwitch {
  const wchar_t* name;
  bool Options::*field;
};

constexpr FlagSwitch kFlagSwitches[] = {
    {L"--cli", &Options::forceCli},
    {L"--gui", &Options::forceGui},
    {L"--ppm", &Options::forcePpm},
    {L"--no-ppm", &Options::noPpm},
    {L"--gpu", &Options::forceGpu},
    {L"--no-gpu", &Options::noGpu},
    {L"--afterburner", &Options::forceAfterburner},
    {L"--no-afterburner", &Options::noAfterburner},
    {L"--no-prepare", &Options::noPrepare},
    {L"--no-memory", &Options::noMemory},
    {L"--no-storage", &Options::noStorage},
    {L"--yes", &Options::assumeYes},
    {L"-y", &Options::assumeYes},
    {L"--no-pause", &Options::noPause},
    {L"--elevated", &Options::elevated},
    {L"--show", &Options::show},
    {L"--measured", &Options::measured},
};

struct ValueSwitch {
  const wchar_t* name;
  std::uint32_t Options::*field;
  std::uint32_t minimum;
  const wchar_t* label;
  bool Options::*set_flag;  // nullptr when the switch records no choice
  std::uint32_t maximum;
};

// Periods stay below ten times the usual coarsest (1.5625 s), far from the 32-bit edge
// that `from + 1000` and the grid's sums would cross; sample counts stay where a whole
// run's sums fit 32 bits and its samples fit in memory.
constexpr std::uint32_t kMostPeriod = 1562500;
constexpr std::uint32_t kMostSamples = 100000;
constexpr std::uint32_t kMostVerify = 1000000;
constexpr std::uint32_t kMostPassesGiven = 1000;
constexpr std::uint32_t kNoMost = 0xFFFFFFFFu;

constexpr ValueSwitch kValueSwitches[] = {
    {L"--resolution", &Options::resolution, 1, L"--resolution (100-ns units, e.g. 5070 = 0.507 ms)",
     nullptr, kNoMost},
    {L"--from", &Options::sweepFrom, 1, L"--from (100-ns units)", nullptr, kMostPeriod},
    {L"--to", &Options::sweepTo, 1, L"--to (100-ns units)", nullptr, kMostPeriod},
    {L"--step", &Options::step, 1, L"--step (100-ns units)", nullptr, kMostPeriod},
    {L"--samples", &Options::samples, 10, L"--samples", &Options::samplesSet, kMostSamples},
    {L"--passes", &Options::passes, 1, L"--passes", &Options::passesSet, kMostPassesGiven},
    {L"--verify", &Options::verifyCount, 100, L"--verify", &Options::verifySet, kMostVerify},
    {L"--margin", &Options::margin, 0, L"--margin (100-ns units)", &Options::marginSet,
     kMostPeriod},
};

constexpr std::uint32_t kMostPasses = 20;

template <typename Row, std::size_t N>
const Row* Find(const Row (&table)[N], std::wstring_view name) {
  for (const Row& row : table) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

// Plain decimal digits only: a sign or a blank would be taken silently by the C
// library's conversion (and "-5" would wrap to a huge count).
bool ReadDecimal(std::wstring_view text, std::uint32_t& out) {
  if (text.empty()) return false;
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return false;
  }
  out = static_cast<std::uint32_t>(value);
  return true;
}

bool ParseFidelity(const Arguments& args, std::size_t& index, Options& options) {
  struct Word {
    const wchar_t* name;
    Fidelity fidelity;
  };
  constexpr Word kWords[] = {{L"low", Fidelity::Low},
                             {L"med", Fidelity::Medium},
                             {L"medium", Fidelity::Medium},
                             {L"high", Fidelity::High}};
  const Word* word = index + 1 < args.size() ? Find(kWords, args[index + 1]) : nullptr;
  if (word == nullptr) {
    PrintError(Format(L"--fidelity requires low, medium, or high."));
    return false;
  }
  ++index;
  options.fidelity = word->fidelity;
  options.fidelitySet = true;
  return true;
}

// Each change replaces only a start value, so explicit counts survive; the step is the
// exception and is raised even when given as 10.
void ApplyQuick(Options& options) {
  if (options.step == 10) options.step = 20;
  if (!options.passesSet && options.passes == 3) {
    options.passes = 1;
    options.passesSet = true;
  }
  if (!options.samplesSet && options.samples == 150) {
    options.samples = 40;
    options.samplesSet = true;
  }
  if (!options.verifySet && options.verifyCount == 1500) {
    options.verifyCount = 300;
    options.verifySet = true;
  }
}

bool CrossCheck(const Options& options) {
  const wchar_t* error = nullptr;
  if (options.sweepFrom != 0 && options.sweepTo != 0 && options.sweepFrom >= options.sweepTo) {
    error = L"--to must be greater than --from.";
  } else if (options.forcePpm && options.noPpm) {
    error = L"--ppm and --no-ppm cannot be used together.";
  } else if (options.forceGpu && options.noGpu) {
    error = L"--gpu and --no-gpu cannot be used together.";
  } else if (options.forceAfterburner && options.noAfterburner) {
    error = L"--afterburner and --no-afterburner cannot be used together.";
  }
  if (error == nullptr) return true;
  PrintError(Format(L"%ls", error));
  return false;
}

}  // namespace

bool ParseWholeNumber(const Arguments& args, std::size_t& index, std::uint32_t& out,
                      std::uint32_t minimum, const wchar_t* label, std::uint32_t maximum) {
  if (index + 1 >= args.size()) {
    PrintError(Format(L"%ls requires a value.", label));
    return false;
  }
  ++index;
  std::uint32_t value = 0;
  if (!ReadDecimal(args[index], value) || value < minimum) {
    PrintError(Format(L"%ls requires a whole number >= %u.", label, minimum));
    return false;
  }
  if (value > maximum) {
    PrintError(Format(L"%ls requires a whole number <= %u.", label, maximum));
    return false;
  }
  out = value;
  return true;
}

bool ParseOptions(const Arguments& args, Options& options) {
  bool quick = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (const auto* command = Find(kCommandSwitches, arg)) {
      options.command = command->command;
    } else if (const auto* flag = Find(kFlagSwitches, arg)) {
      options.*(flag->field) = true;
    } else if (const auto* value = Find(kValueSwitches, arg)) {
      if (!ParseWholeNumber(args, i, options.*(value->field), value->minimum, value->label,
                            value->maximum)) {
        return false;
      }
      if (value->set_flag != nullptr) options.*(value->set_flag) = true;
    } else if (arg == L"--fidelity") {
      if (!ParseFidelity(args, i, options)) return false;
    } else if (arg == L"--quick") {
      quick = true;
    } else {
      PrintError(Format(L"Unknown argument: %ls (try --help)", arg.c_str()));
      return false;
    }
  }
  if (options.passes > kMostPasses) options.passes = kMostPasses;
  if (quick) ApplyQuick(options);
  return CrossCheck(options);
}

bool IsConsoleInvocation(const Arguments& args, const Options& options) {
  if (options.forceGui) return false;
  if (options.forceCli || !options.command.empty()) return true;
  for (const std::wstring& arg : args) {
    if (arg == L"--help" || arg == L"-h" || arg == L"/?" || arg == L"--version") return true;
  }
  return false;
}
