#include "measure/fidelity.h"

#include <algorithm>
#include <cwctype>
#include <optional>
#include <string>

#include "app/output.h"
#include "platform/console.h"
#include "platform/system.h"

namespace {

// The time model shared with the sweep's own estimate (ms per sample and per candidate).
double PlanSeconds(std::uint32_t samples, std::uint32_t passes, std::uint32_t verify) {
  const double sweep = (std::max(samples / 2, 5u) * 4.65 + samples * 1.15 + 30) * passes * 101;
  const double verification = ((verify / 2) * 4.65 + verify * 1.15 + 300) * 6;
  return sweep / 1000 + verification / 1000 + 2;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.size() || std::towlower(text[i]) != static_cast<std::wint_t>(prefix[i]))
      return false;
  }
  return true;
}

std::optional<Fidelity> ParseChoice(const std::wstring& answer) {
  if (answer[0] == L'1' || StartsWithNoCase(answer, L"low")) return Fidelity::Low;
  if (answer[0] == L'2' || StartsWithNoCase(answer, L"med")) return Fidelity::Medium;
  if (answer[0] == L'3' || StartsWithNoCase(answer, L"high")) return Fidelity::High;
  return std::nullopt;
}

}  // namespace

FidelityPlan FidelityPlanFor(Fidelity fidelity) {
  const std::uint32_t divisor = fidelity == Fidelity::Low ? 64 : fidelity == Fidelity::High ? 1 : 8;
  FidelityPlan plan;
  plan.passes = fidelity == Fidelity::Low ? 1 : 3;
  plan.samples = std::max(150 / divisor, 8u);
  plan.verifyCount = std::max(1500 / divisor, 100u);
  plan.estimatedSeconds = PlanSeconds(plan.samples, plan.passes, plan.verifyCount);
  return plan;
}

Options AskFidelity(const Options& options) {
  platform::Console& console = platform::Sys().console;
  if (options.assumeYes || options.fidelitySet || options.samplesSet ||
      !console.IsConsole(platform::StdStream::kIn)) {
    return options;
  }
  PrintInfo(L"How thoroughly should each interval be measured?");
  const struct {
    int number;
    const wchar_t* name;
    Fidelity fidelity;
  } kLevels[] = {
      {1, L"Low", Fidelity::Low}, {2, L"Medium", Fidelity::Medium}, {3, L"High", Fidelity::High}};
  for (const auto& level : kLevels) {
    const FidelityPlan plan = FidelityPlanFor(level.fidelity);
    PrintInfo(Format(L"  [%d] %-7ls %3u back-to-back samples, %u pass%ls, verify %u   ~%ls%ls",
                     level.number, level.name, plan.samples, plan.passes,
                     plan.passes == 1 ? L"" : L"es", plan.verifyCount,
                     FormatDuration(plan.estimatedSeconds).c_str(),
                     level.fidelity == Fidelity::Medium ? L"   (default)" : L""));
  }
  WriteStandardOutput(L"Choice [2]: ");
  const std::wstring answer = console.ReadLine(32).value_or(std::wstring{});
  Options chosen = options;
  if (answer.empty() || answer[0] == L'\n' || answer[0] == L'\r') return chosen;
  chosen.fidelitySet = true;
  if (const auto fidelity = ParseChoice(answer)) {
    chosen.fidelity = *fidelity;
  } else {
    PrintInfo(L"Unrecognised choice; using medium.");
  }
  return chosen;
}
