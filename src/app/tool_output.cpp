#include "app/tool_output.h"

#include "platform/processes.h"
#include "platform/system.h"

namespace {

constexpr std::size_t kMaxOutputBytes = 64 * 1024;

}  // namespace

std::optional<ToolOutput> RunToolForOutput(const std::wstring& exePath,
                                           const std::wstring& arguments,
                                           std::uint32_t timeoutMs) {
  const std::wstring commandLine = L"\"" + exePath + L"\" " + arguments;
  auto run = platform::Sys().processes.RunCaptured(commandLine, timeoutMs, kMaxOutputBytes);
  if (!run) return std::nullopt;
  // The tools print in the console code page; the words the checks look for are ASCII.
  ToolOutput output{run->exit_code, {}};
  output.text.reserve(run->output.size());
  for (const char byte : run->output) {
    const auto c = static_cast<unsigned char>(byte);
    output.text.push_back(c < 0x80 && c != 0 ? static_cast<wchar_t>(c) : L'?');
  }
  return output;
}
