// The contract suites' foreign objects on Windows: a mapping and mutexes made the way
// another program makes them, and a stand-in scanner window with real controls, run by
// its own thread's message loop so every message crosses threads as it would processes.
#include <windows.h>
// After <windows.h>, which they need.
#include <sddl.h>

#include <string>
#include <thread>
#include <vector>

#include "contract/contract_system.h"
#include "contract/windows/own_image.h"

namespace contract {
namespace {

constexpr int kButtonId = 1001;
constexpr int kComboId = 1100;

// Handles that must outlive every test; the program's end closes them.
std::vector<HANDLE>& Kept() {
  static std::vector<HANDLE> handles;
  return handles;
}

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == kButtonId) {
    ::SetWindowTextW(::GetDlgItem(window, kButtonId), L"Stop");
    return 0;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

void RunStandIn(std::wstring title, std::vector<std::wstring> items, HANDLE ready, bool* made) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = StandInProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"VeltraneContractStandIn";
  ::RegisterClassW(&window_class);
  const HWND window = ::CreateWindowExW(0, window_class.lpszClassName, title.c_str(),
                                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr,
                                        nullptr, window_class.hInstance, nullptr);
  // Without a display (Wine with no X server) there is no window to drive.
  *made = window != nullptr;
  if (window == nullptr) {
    ::SetEvent(ready);
    return;
  }
  ::CreateWindowExW(0, L"BUTTON", L"Scan", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 24,
                    window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr,
                    nullptr);
  const HWND combo = ::CreateWindowExW(
      0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 40, 300, 200, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), nullptr, nullptr);
  for (const std::wstring& item : items) {
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  ::SetEvent(ready);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace

void CreateForeignMapping(const std::wstring& name, const std::string& bytes, bool admin_owned) {
  // The owner as it is set for an elevated program (Administrators) or a standard one (the
  // user's own SID, which any token may name as owner).
  std::wstring owner = L"BA";
  if (!admin_owned) {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE user[256] = {};
    DWORD size = sizeof user;
    ::GetTokenInformation(token, TokenUser, user, size, &size);
    ::CloseHandle(token);
    wchar_t* text = nullptr;
    ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text);
    owner = text;
    ::LocalFree(text);
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      (L"O:" + owner + L"D:(A;;GA;;;WD)").c_str(), SDDL_REVISION_1, &descriptor, nullptr);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  const HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                              static_cast<DWORD>(bytes.size()), name.c_str());
  ::LocalFree(descriptor);
  void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, bytes.size());
  std::copy(bytes.begin(), bytes.end(), static_cast<char*>(view));
  ::UnmapViewOfFile(view);
  Kept().push_back(mapping);
}

void WriteBadlySignedFile(const std::wstring& path) {
  // This test program's own image, with a certificate table that holds no signature.
  std::string image = ReadOwnImage();
  const std::size_t table = image.size();
  const std::string garbage(248, '\x5A');
  const DWORD length = static_cast<DWORD>(8 + garbage.size());
  image.append(reinterpret_cast<const char*>(&length), 4);
  image.append("\x00\x02\x02\x00", 4);  // revision 2.0, PKCS#7 signed data
  image += garbage;
  IMAGE_DATA_DIRECTORY* entry = SecurityEntry(image);
  entry->VirtualAddress = static_cast<DWORD>(table);
  entry->Size = length;
  WriteWholeFile(path, image);
}

void CreateForeignMutex(const std::wstring& name, bool held) {
  if (!held) {
    Kept().push_back(::CreateMutexW(nullptr, FALSE, name.c_str()));
    return;
  }
  // A mutex belongs to the thread that took it: another thread takes it and keeps it.
  const HANDLE taken = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread([name, taken] {
    ::CreateMutexW(nullptr, TRUE, name.c_str());
    ::SetEvent(taken);
    ::Sleep(INFINITE);
  }).detach();
  ::WaitForSingleObject(taken, 5000);
  ::CloseHandle(taken);
}

std::uint32_t OpenStandInWindow(const std::wstring& title, const std::vector<std::wstring>& items) {
  static bool made = false;
  const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread(RunStandIn, title, items, ready, &made).detach();
  ::WaitForSingleObject(ready, 5000);
  ::CloseHandle(ready);
  return made ? ::GetCurrentProcessId() : 0;
}

namespace {
HANDLE g_saved_output = nullptr;
}  // namespace

void PointStandardOutputAtNul() {
  g_saved_output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ::SetStdHandle(STD_OUTPUT_HANDLE,
                 ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void RestoreStandardOutput() {
  const HANDLE nul = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ::SetStdHandle(STD_OUTPUT_HANDLE, g_saved_output);
  if (nul != INVALID_HANDLE_VALUE && nul != nullptr) ::CloseHandle(nul);
}

}  // namespace contract
