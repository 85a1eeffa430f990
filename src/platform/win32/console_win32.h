// Win32Console: the standard handles and the console they may belong to.
//
// Output goes straight to the handles, never through the C runtime's buffers: WriteConsoleW
// to a console, UTF-8 bytes with WriteFile to a file or pipe. This is what lets a
// GUI-subsystem program's output reach a pipe or file even without any console, as under
// Wine where such a program gets none but inherits the redirected handles. Text is written
// as given: "\n" stays one byte in a file.
#pragma once

#include "platform/console.h"

namespace platform {

class Win32Console final : public Console {
 public:
  bool IsConsole(StdStream stream) override;
  bool IsRedirected(StdStream stream) override;
  void Write(StdStream stream, std::wstring_view text) override;
  std::optional<std::wstring> ReadLine(std::size_t max_chars) override;
  bool AttachToParent() override;
  bool Allocate() override;
  void SetTitle(const std::wstring& title) override;
  void ReopenStreams() override;
  void SetBreakHandler(std::function<void()> handler) override;
};

}  // namespace platform
