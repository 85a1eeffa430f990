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

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The tree helper's child: holds "<marker>.held" unshared while it lives, waits, then
// writes its marker.
[[noreturn]] void RunAsChild(DWORD sleep_ms, const std::wstring& marker) {
  const HANDLE held = ::CreateFileW((marker + L".held").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  (void)held;  // closed by the process's end, whichever way it comes
  ::Sleep(sleep_ms);
  (void)platform::Win32System().files.WriteNew(marker, "done");
  ::ExitProcess(0);
}

// The tree helper: starts its child without waiting for it, then waits and exits 0.
[[noreturn]] void RunAsTree(DWORD sleep_ms, const std::wstring& marker) {
  std::wstring line = Quoted(platform::Win32System().environment.ExecutablePath()) +
                      L" --contract-helper-child " + std::to_wstring(sleep_ms) + L" " +
                      Quoted(marker);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
  ::Sleep(sleep_ms);
  ::ExitProcess(0);
}

// Arguments after "--contract-helper": exit code, sleep in ms, marker path (may be
// empty); after "--contract-helper-tree" and "--contract-helper-child": sleep and marker.
bool RunAsHelperWhenAsked() {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (argv == nullptr) return false;
  const std::wstring role = count >= 2 ? argv[1] : L"";
  if (count == 4 && role == L"--contract-helper-tree") RunAsTree(std::stoul(argv[2]), argv[3]);
  if (count == 4 && role == L"--contract-helper-child") RunAsChild(std::stoul(argv[2]), argv[3]);
  if (count == 5 && role == L"--contract-helper") {
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
  return Quoted(platform::Win32System().environment.ExecutablePath()) + L" --contract-helper " +
         std::to_wstring(exit_code) + L" " + std::to_wstring(sleep_ms) + L" " + Quoted(marker_path);
}

std::wstring HelperTreeCommandLine(std::uint32_t sleep_ms, const std::wstring& marker_path) {
  return Quoted(platform::Win32System().environment.ExecutablePath()) +
         L" --contract-helper-tree " + std::to_wstring(sleep_ms) + L" " + Quoted(marker_path);
}

}  // namespace contract
