// Console port: the three standard streams and the console window itself.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class StdStream { kIn, kOut, kErr };

class Console {
 public:
  virtual ~Console() = default;
  // GetConsoleMode succeeds on the stream's handle.
  virtual bool IsConsole(StdStream stream) = 0;
  // The stream is a file or a pipe (not a console, not absent): output written to it
  // reaches whoever redirected it.
  virtual bool IsRedirected(StdStream stream) = 0;
  // Writes the text (UTF-16 to a console, UTF-8 to a file or pipe) and flushes.
  virtual void Write(StdStream stream, std::wstring_view text) = 0;
  // One line from standard input without its line ending, at most `max_chars`
  // characters kept; nullopt at end of input or when there is no input.
  virtual std::optional<std::wstring> ReadLine(std::size_t max_chars) = 0;
  // AttachConsole(ATTACH_PARENT_PROCESS).
  virtual bool AttachToParent() = 0;
  // AllocConsole.
  virtual bool Allocate() = 0;
  virtual void SetTitle(const std::wstring& title) = 0;
  // Points the standard streams that are not redirected at the attached console
  // ("CONOUT$", "CONIN$"); redirected ones are kept.
  virtual void ReopenStreams() = 0;
  // Ctrl+C, Ctrl+Break, close, logoff and shutdown call `handler` (on another thread on
  // Windows); an empty function removes it.
  virtual void SetBreakHandler(std::function<void()> handler) = 0;
};

}  // namespace platform
