// Questions with defaults, and the per-setting dwell of the tuning steps.
#include "app/feed.h"
#include "app/output.h"
#include "app/thread_context.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/system.h"

namespace {

constexpr std::size_t kLongestAnswer = 16;
constexpr std::uint64_t kDwellSliceMs = 40;

bool FeedCancelled() {
  gui::Feed* feed = CurrentFeed();
  return feed != nullptr && feed->IsCancelled();
}

}  // namespace

bool Confirm(const Options& options, const std::wstring& question, bool defaultYes) {
  auto& console = platform::Sys().console;
  // Step 1: --yes answers without asking.
  if (options.assumeYes) return true;
  // Step 2: nobody can answer a file or pipe; take the default without reading it.
  if (!console.IsConsole(platform::StdStream::kIn)) return defaultYes;
  // Only a person at a console gets here, so the question may wait for an answer.
  WriteStandardOutput(Format(L"%ls %ls ", question.c_str(), defaultYes ? L"[Y/n]" : L"[y/N]"));
  const auto answer = console.ReadLine(kLongestAnswer);
  // Step 4: a bare Enter is the default; only Y or y is yes.
  if (!answer || answer->empty()) return defaultYes;
  return (*answer)[0] == L'Y' || (*answer)[0] == L'y';
}

void DwellPause(std::uint32_t milliseconds) {
  if (milliseconds == 0 || !CurrentThreadContext().dwellEnabled) return;
  auto& clock = platform::Sys().clock;
  const std::uint64_t start = clock.TickCount64();
  while (!FeedCancelled() && clock.TickCount64() - start < milliseconds) {
    clock.Sleep(static_cast<std::uint32_t>(kDwellSliceMs));
  }
}
