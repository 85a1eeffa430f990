#include "platform/sim/console_sim.h"

#include <utility>

namespace platform {

bool SimConsole::IsConsole(StdStream stream) {
  std::lock_guard lock(mutex_);
  return kinds_[IndexOf(stream)] == StreamKind::kConsole;
}

bool SimConsole::IsRedirected(StdStream stream) {
  std::lock_guard lock(mutex_);
  return kinds_[IndexOf(stream)] == StreamKind::kRedirected;
}

void SimConsole::Write(StdStream stream, std::wstring_view text) {
  std::lock_guard lock(mutex_);
  // Writing to a missing handle fails silently on Windows: the text goes nowhere.
  if (kinds_[IndexOf(stream)] == StreamKind::kAbsent) return;
  output_[IndexOf(stream)].append(text);
}

std::optional<std::wstring> SimConsole::ReadLine(std::size_t max_chars) {
  std::lock_guard lock(mutex_);
  if (kinds_[IndexOf(StdStream::kIn)] == StreamKind::kAbsent || input_.empty()) {
    return std::nullopt;
  }
  std::wstring line = std::move(input_.front());
  input_.pop_front();
  if (line.size() > max_chars) line.resize(max_chars);
  return line;
}

bool SimConsole::ConnectAbsentStreams(bool success) {
  if (!success) return false;
  for (StreamKind& kind : kinds_) {
    if (kind == StreamKind::kAbsent) kind = StreamKind::kConsole;
  }
  return true;
}

bool SimConsole::AttachToParent() {
  std::lock_guard lock(mutex_);
  ++calls_.attach;
  return ConnectAbsentStreams(parent_console_);
}

bool SimConsole::Allocate() {
  std::lock_guard lock(mutex_);
  ++calls_.allocate;
  return ConnectAbsentStreams(allocate_works_);
}

void SimConsole::SetTitle(const std::wstring& title) {
  std::lock_guard lock(mutex_);
  calls_.titles.push_back(title);
}

void SimConsole::ReopenStreams() {
  std::lock_guard lock(mutex_);
  ++calls_.reopen;
}

void SimConsole::SetBreakHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  break_handler_ = std::move(handler);
}

void SimConsole::SetStream(StdStream stream, StreamKind kind) {
  std::lock_guard lock(mutex_);
  kinds_[IndexOf(stream)] = kind;
}

void SimConsole::SetAllStreams(StreamKind kind) {
  std::lock_guard lock(mutex_);
  kinds_.fill(kind);
}

void SimConsole::SetParentConsole(bool available) {
  std::lock_guard lock(mutex_);
  parent_console_ = available;
}

void SimConsole::SetAllocateWorks(bool works) {
  std::lock_guard lock(mutex_);
  allocate_works_ = works;
}

void SimConsole::AddInputLine(const std::wstring& line) {
  std::lock_guard lock(mutex_);
  input_.push_back(line);
}

std::wstring SimConsole::Output(StdStream stream) {
  std::lock_guard lock(mutex_);
  return output_[IndexOf(stream)];
}

void SimConsole::ClearOutput() {
  std::lock_guard lock(mutex_);
  for (std::wstring& text : output_) text.clear();
}

bool SimConsole::FireBreak() {
  std::function<void()> handler;
  {
    std::lock_guard lock(mutex_);
    handler = break_handler_;
  }
  // Called unlocked: the handler may write to the console, as real handlers do.
  if (!handler) return false;
  handler();
  return true;
}

SimConsole::Calls SimConsole::calls() {
  std::lock_guard lock(mutex_);
  return calls_;
}

}  // namespace platform
