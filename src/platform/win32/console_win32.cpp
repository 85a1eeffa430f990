#include "platform/win32/console_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>

#include "support/utf.h"

namespace platform {
namespace {

HANDLE HandleOf(StdStream stream) {
  switch (stream) {
    case StdStream::kIn:
      return ::GetStdHandle(STD_INPUT_HANDLE);
    case StdStream::kOut:
      return ::GetStdHandle(STD_OUTPUT_HANDLE);
    case StdStream::kErr:
      return ::GetStdHandle(STD_ERROR_HANDLE);
  }
  return nullptr;
}

bool Usable(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

bool IsConsoleHandle(HANDLE h) {
  DWORD mode = 0;
  return Usable(h) && ::GetConsoleMode(h, &mode) != 0;
}

// Writes every byte (pipes may take less per call); gives up on the first failure.
void WriteAllBytes(HANDLE h, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!::WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

void WriteAllConsole(HANDLE h, std::wstring_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    // Old consoles refuse very large single writes; 8K characters is always accepted.
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
    if (!::WriteConsoleW(h, text.data() + done, chunk, &written, nullptr) || written == 0) {
      return;
    }
    done += written;
  }
}

// One line typed into the console, without its line ending; nullopt at end of input.
std::optional<std::wstring> ReadConsoleLine(HANDLE h) {
  std::wstring line;
  wchar_t buffer[256];
  for (;;) {
    DWORD read = 0;
    if (!::ReadConsoleW(h, buffer, 256, &read, nullptr) || read == 0) {
      if (line.empty()) return std::nullopt;
      break;
    }
    line.append(buffer, read);
    if (line.back() == L'\n') break;
  }
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  return line;
}

// One line of UTF-8 from a file or pipe. Reads byte by byte so nothing after the line
// is taken from the stream: the next reader (a later prompt) still finds it there.
std::optional<std::wstring> ReadByteLine(HANDLE h) {
  std::string bytes;
  bool any = false;
  for (;;) {
    char c = 0;
    DWORD read = 0;
    if (!::ReadFile(h, &c, 1, &read, nullptr) || read == 0) break;
    any = true;
    if (c == '\n') break;
    bytes += c;
  }
  if (!any) return std::nullopt;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return support::FromUtf8(bytes);
}

// The break handler lives here because SetConsoleCtrlHandler takes a plain function.
std::mutex g_break_mutex;
std::function<void()> g_break_handler;

BOOL WINAPI OnConsoleControl(DWORD /*event*/) {
  std::function<void()> handler;
  {
    std::lock_guard lock(g_break_mutex);
    handler = g_break_handler;
  }
  if (!handler) return FALSE;
  handler();
  return TRUE;
}

// Points one standard stream at the console: the C stream (for any runtime output) and
// the Win32 standard handle (which Write and ReadLine use), when that is not the
// console's already.
void ReopenOne(StdStream stream, DWORD std_id, FILE* c_stream, const char* device,
               const char* mode) {
  (void)std::freopen(device, mode, c_stream);
  if (IsConsoleHandle(HandleOf(stream))) return;
  HANDLE h = ::CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  // The handle stays open for the life of the process as its standard handle.
  if (Usable(h)) ::SetStdHandle(std_id, h);
}

bool IsRedirectedHandle(HANDLE h) {
  if (!Usable(h)) return false;
  const DWORD type = ::GetFileType(h);
  // A character device that is no console is NUL (or a port): the script chose it, and
  // attaching a console must not take the stream back.
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ||
         (type == FILE_TYPE_CHAR && !IsConsoleHandle(h));
}

// Runs `connect` (AttachConsole or AllocConsole) without losing a redirect: both calls
// may point every standard handle at the new console, and output a script sent to a
// file or pipe must keep going there.
template <typename Connect>
bool ConnectKeepingRedirects(Connect connect) {
  const DWORD kIds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE redirected[3] = {};
  for (int i = 0; i < 3; ++i) {
    const HANDLE h = ::GetStdHandle(kIds[i]);
    if (IsRedirectedHandle(h)) redirected[i] = h;
  }
  const bool connected = connect() != 0;
  for (int i = 0; i < 3; ++i) {
    if (redirected[i] != nullptr) ::SetStdHandle(kIds[i], redirected[i]);
  }
  return connected;
}

}  // namespace

bool Win32Console::IsConsole(StdStream stream) { return IsConsoleHandle(HandleOf(stream)); }

bool Win32Console::IsRedirected(StdStream stream) { return IsRedirectedHandle(HandleOf(stream)); }

void Win32Console::Write(StdStream stream, std::wstring_view text) {
  const HANDLE h = HandleOf(stream);
  if (!Usable(h) || text.empty()) return;
  if (IsConsoleHandle(h)) {
    WriteAllConsole(h, text);
  } else {
    WriteAllBytes(h, support::ToUtf8(text));
  }
}

std::optional<std::wstring> Win32Console::ReadLine(std::size_t max_chars) {
  const HANDLE h = HandleOf(StdStream::kIn);
  if (!Usable(h)) return std::nullopt;
  std::optional<std::wstring> line = IsConsoleHandle(h) ? ReadConsoleLine(h) : ReadByteLine(h);
  if (line && line->size() > max_chars) line->resize(max_chars);
  return line;
}

bool Win32Console::AttachToParent() {
  return ConnectKeepingRedirects([] { return ::AttachConsole(ATTACH_PARENT_PROCESS); });
}

bool Win32Console::Allocate() {
  return ConnectKeepingRedirects([] { return ::AllocConsole(); });
}

void Win32Console::SetTitle(const std::wstring& title) { ::SetConsoleTitleW(title.c_str()); }

void Win32Console::ReopenStreams() {
  if (!IsRedirected(StdStream::kOut)) {
    ReopenOne(StdStream::kOut, STD_OUTPUT_HANDLE, stdout, "CONOUT$", "w");
  }
  if (!IsRedirected(StdStream::kErr)) {
    ReopenOne(StdStream::kErr, STD_ERROR_HANDLE, stderr, "CONOUT$", "w");
  }
  if (!IsRedirected(StdStream::kIn)) {
    ReopenOne(StdStream::kIn, STD_INPUT_HANDLE, stdin, "CONIN$", "r");
  }
}

void Win32Console::SetBreakHandler(std::function<void()> handler) {
  const bool install = static_cast<bool>(handler);
  {
    std::lock_guard lock(g_break_mutex);
    g_break_handler = std::move(handler);
  }
  ::SetConsoleCtrlHandler(OnConsoleControl, install ? TRUE : FALSE);
}

}  // namespace platform
