// The contract suites' machine on Windows (or Wine): the real adapters. The test program
// doubles as the helper process of the process suite: started with "--contract-helper"
// it waits, writes its marker and exits before any test runs.
#include <windows.h>
#undef CreateDirectory  // the Files port method, not the Win32 macro
// After <windows.h>, which it needs.
#include <shellapi.h>

#include <filesystem>
#include <string>

#include "contract/contract_system.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/win32/win32_system.h"

namespace contract {
namespace {

// Arguments after the switch: exit code, sleep in ms, marker path (may be empty).
bool RunAsHelperWhenAsked() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (argv == nullptr) return false;
  const bool helper = count == 5 && std::wstring(argv[1]) == L"--contract-helper";
  if (helper) {
    const auto exit_code = static_cast<UINT>(std::stoul(argv[2]));
    // What a tool prints: the capture suite reads it back from standard output.
    const std::string said = "helper says " + std::to_string(exit_code) + "\r\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), said.data(), static_cast<DWORD>(said.size()),
                &written, nullptr);
    ::Sleep(static_cast<DWORD>(std::stoul(argv[3])));
    if (argv[4][0] != L'\0') (void)platform::Win32System().files.WriteNew(argv[4], "done");
    ::ExitProcess(exit_code);
  }
  ::LocalFree(argv);
  return false;
}

const bool kIsHelper = RunAsHelperWhenAsked();

// The per-run scratch root, removed when the program ends.
class ScratchRoot {
 public:
  ScratchRoot() {
    path_ = platform::Win32System().environment.TempFolder() + L"veltrane-contract-" +
            std::to_wstring(::GetCurrentProcessId());
    (void)platform::Win32System().files.CreateDirectory(path_);
  }
  ~ScratchRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

}  // namespace

platform::System& ContractSystem() { return platform::Win32System(); }

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  // Wine's CreateSymbolicLinkW succeeds without making anything: believe the attributes.
  ::CreateSymbolicLinkW(
      link.c_str(), target.c_str(),
      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::wstring NewScratchFolder() {
  static ScratchRoot root;
  static int counter = 0;
  const std::wstring folder = root.path() + L"\\" + std::to_wstring(++counter);
  (void)platform::Win32System().files.CreateDirectory(folder);
  return folder;
}

std::wstring HelperCommandLine(std::uint32_t exit_code, std::uint32_t sleep_ms,
                               const std::wstring& marker_path) {
  (void)kIsHelper;
  return L"\"" + platform::Win32System().environment.ExecutablePath() + L"\" --contract-helper " +
         std::to_wstring(exit_code) + L" " + std::to_wstring(sleep_ms) + L" \"" + marker_path +
         L"\"";
}

}  // namespace contract
