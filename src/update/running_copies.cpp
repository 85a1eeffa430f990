#include "update/running_copies.h"

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/system.h"
#include "service/service_control.h"
#include "support/text_match.h"

namespace update {
namespace {

constexpr std::uint32_t kServiceSession = 0;
constexpr std::uint32_t kUnknownSession = 0xFFFFFFFF;

}  // namespace

bool IsProductExecutableName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::wstring name =
      support::LowerCase(slash == std::wstring::npos ? path : path.substr(slash + 1));
  return name.starts_with(L"veltrane") && name.ends_with(L".exe");
}

std::optional<ProductVersion> ExecutableVersion(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  const auto found = platform::Sys().files.ReadFileVersion(path);
  if (!found) return std::nullopt;
  return ProductVersion{found->major, found->minor, found->build, found->revision};
}

std::vector<RunningCopy> FindRunningCopies() {
  auto& sys = platform::Sys();
  const std::uint32_t self = sys.environment.CurrentProcessId();
  // The timer service runs this executable too, but it is no copy of the window: Windows
  // keeps it in session 0, and where a system does not (Wine runs services in the user's
  // session) its process id still tells it apart.
  const std::uint32_t service = ServiceProcessId(kServiceName);
  const std::uint32_t legacy = ServiceProcessId(kLegacyServiceName);
  std::vector<RunningCopy> copies;
  for (const platform::Processes::Entry& entry : sys.processes.List()) {
    const bool isService = entry.id != 0 && (entry.id == service || entry.id == legacy);
    if (entry.id == self || isService || entry.session_id == kServiceSession ||
        entry.session_id == kUnknownSession || !IsProductExecutableName(entry.image_path)) {
      continue;
    }
    copies.push_back({entry.id, entry.image_path, ExecutableVersion(entry.image_path)});
  }
  return copies;
}

std::wstring ExecutableOfCommandLine(const std::wstring& command_line) {
  const std::size_t start = command_line.find_first_not_of(L' ');
  if (start == std::wstring::npos) return L"";
  if (command_line[start] == L'"') {
    const std::size_t end = command_line.find(L'"', start + 1);
    return end == std::wstring::npos ? L"" : command_line.substr(start + 1, end - start - 1);
  }
  return command_line.substr(start, command_line.find(L' ', start) - start);
}

}  // namespace update
