// SimConsole: the standard streams of the simulated process.
// By default the process looks like a GUI-subsystem program started from Explorer: no
// stream is a console and none is redirected, so nothing written is seen by anyone.
// A test sets the streams up (a console window, a pipe, a file), scripts the lines a user
// types, and reads back what reached each output stream.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/console.h"

namespace platform {

class SimConsole final : public Console {
 public:
  enum class StreamKind { kAbsent, kConsole, kRedirected };

  bool IsConsole(StdStream stream) override;
  bool IsRedirected(StdStream stream) override;
  void Write(StdStream stream, std::wstring_view text) override;
  std::optional<std::wstring> ReadLine(std::size_t max_chars) override;
  bool AttachToParent() override;
  bool Allocate() override;
  void SetTitle(const std::wstring& title) override;
  void ReopenStreams() override;
  void SetBreakHandler(std::function<void()> handler) override;

  // Test controls.
  void SetStream(StdStream stream, StreamKind kind);
  void SetAllStreams(StreamKind kind);
  // Whether AttachToParent / Allocate succeed (both do by default). A success turns every
  // absent stream into a console, as Windows fills empty standard handles.
  void SetParentConsole(bool available);
  void SetAllocateWorks(bool works);
  void AddInputLine(const std::wstring& line);
  // Everything that reached `stream` (a console or a redirect target), in order.
  std::wstring Output(StdStream stream);
  void ClearOutput();
  // Calls the installed break handler as Ctrl+C would; false when none is installed.
  bool FireBreak();

  // What the program did to its console, for assertions.
  struct Calls {
    int attach = 0;
    int allocate = 0;
    int reopen = 0;
    std::vector<std::wstring> titles;
  };
  Calls calls();

 private:
  static std::size_t IndexOf(StdStream stream) { return static_cast<std::size_t>(stream); }
  bool ConnectAbsentStreams(bool success);

  std::mutex mutex_;
  std::array<StreamKind, 3> kinds_{StreamKind::kAbsent, StreamKind::kAbsent, StreamKind::kAbsent};
  std::array<std::wstring, 3> output_;
  std::deque<std::wstring> input_;
  bool parent_console_ = true;
  bool allocate_works_ = true;
  Calls calls_;
  std::function<void()> break_handler_;
};

}  // namespace platform
