#include "platform/sim/desktop_sim.h"

#include <utility>

namespace platform {
using support::ErrorCode;

namespace {

constexpr std::uint32_t kInvalidWindow = 1400;  // ERROR_INVALID_WINDOW_HANDLE
constexpr std::uint32_t kTimedOut = 1460;       // ERROR_TIMEOUT of SendMessageTimeout

support::PortError NoWindow(const wchar_t* call) {
  return support::Fail(ErrorCode::kNotFound, call, kInvalidWindow);
}

}  // namespace

SimDesktop::SimDesktop(SimProcesses& processes) : processes_(processes) {}

std::vector<Desktop::TopWindow> SimDesktop::TopLevelWindows() {
  Tick();
  std::lock_guard lock(mutex_);
  std::vector<TopWindow> list;
  for (auto& [handle, window] : windows_) {
    if (window.parent == 0 && Live(handle)) {
      list.push_back(TopWindow{handle, window.process_id, window.visible, window.text});
    }
  }
  return list;
}

std::vector<Desktop::ChildWindow> SimDesktop::ChildWindows(WindowHandle window) {
  Tick();
  std::lock_guard lock(mutex_);
  std::vector<ChildWindow> list;
  if (!Live(window)) return list;
  for (auto& [handle, child] : windows_) {
    // A descendant reaches `window` by walking up its parents.
    WindowHandle up = child.parent;
    while (up != 0 && up != window) up = windows_.count(up) ? windows_[up].parent : 0;
    if (up == window) list.push_back(ChildWindow{handle, child.class_name, child.control_id});
  }
  return list;
}

WindowHandle SimDesktop::DialogItem(WindowHandle window, std::int32_t control_id) {
  Tick();
  std::lock_guard lock(mutex_);
  for (auto& [handle, child] : windows_) {
    if (child.parent == window && child.control_id == control_id && Live(handle)) return handle;
  }
  return 0;
}

support::Result<std::wstring> SimDesktop::Text(WindowHandle window) {
  Tick();
  std::lock_guard lock(mutex_);
  Window* w = Live(window);
  if (!w) return NoWindow(L"WM_GETTEXT");
  if (w->hung) return support::Fail(ErrorCode::kTimeout, L"SendMessageTimeoutW", kTimedOut);
  return w->text;
}

bool SimDesktop::IsEnabled(WindowHandle window) {
  Tick();
  std::lock_guard lock(mutex_);
  Window* w = Live(window);
  return w && w->enabled;
}

support::Result<std::vector<std::wstring>> SimDesktop::ComboItems(WindowHandle combo) {
  Tick();
  std::lock_guard lock(mutex_);
  Window* w = Live(combo);
  if (!w) return NoWindow(L"CB_GETCOUNT");
  if (w->hung) return support::Fail(ErrorCode::kTimeout, L"SendMessageTimeoutW", kTimedOut);
  return w->items;
}

std::int32_t SimDesktop::ComboSelection(WindowHandle combo) {
  Tick();
  std::lock_guard lock(mutex_);
  Window* w = Live(combo);
  return w && !w->hung ? w->selection : -1;
}

support::Status SimDesktop::SelectComboItem(WindowHandle combo, std::int32_t index) {
  Tick();
  std::lock_guard lock(mutex_);
  Window* w = Live(combo);
  if (!w) return NoWindow(L"CB_SETCURSEL");
  if (index < 0 || index >= static_cast<std::int32_t>(w->items.size())) {
    return support::Fail(ErrorCode::kInvalidArgument, L"CB_SETCURSEL", 87);
  }
  w->selection = index;
  return {};
}

WindowHandle SimDesktop::CommandTarget(WindowHandle control) {
  std::lock_guard lock(mutex_);
  Window* w = Live(control);
  if (!w) return 0;
  return w->parent != 0 ? w->parent : control;
}

support::Status SimDesktop::PostCommand(WindowHandle target, std::int32_t control_id,
                                        std::uint32_t notify_code, WindowHandle control) {
  return Post(Message{target, MessageKind::kCommand, control_id, notify_code, control, {}});
}

support::Status SimDesktop::PostClose(WindowHandle window) {
  return Post(Message{window, MessageKind::kClose, 0, 0, 0, {}});
}

support::Status SimDesktop::PostRegisteredMessage(WindowHandle window, const std::wstring& name) {
  return Post(Message{window, MessageKind::kRegistered, 0, 0, 0, name});
}

support::Result<std::wstring> SimDesktop::AutomationName(WindowHandle window,
                                                         const std::wstring& automation_id) {
  Tick();
  std::lock_guard lock(mutex_);
  if (!automation_) return support::Fail(ErrorCode::kUnsupported, L"CoCreateInstance", 0);
  Window* w = Live(window);
  if (!w) return NoWindow(L"ElementFromHandle");
  const auto it = w->automation_names.find(automation_id);
  if (it == w->automation_names.end()) return support::Fail(ErrorCode::kNotFound, L"FindFirst");
  return it->second;
}

WindowHandle SimDesktop::AddWindow(const Window& window) {
  std::lock_guard lock(mutex_);
  const WindowHandle handle = next_handle_;
  next_handle_ += 0x10;
  windows_[handle] = window;
  return handle;
}

void SimDesktop::RemoveWindow(WindowHandle window) {
  std::lock_guard lock(mutex_);
  for (auto it = windows_.begin(); it != windows_.end();) {
    it = (it->first == window || it->second.parent == window) ? windows_.erase(it) : ++it;
  }
  handlers_.erase(window);
}

void SimDesktop::Update(WindowHandle window, const std::function<void(Window&)>& change) {
  std::lock_guard lock(mutex_);
  const auto it = windows_.find(window);
  if (it != windows_.end()) change(it->second);
}

std::optional<SimDesktop::Window> SimDesktop::Get(WindowHandle window) {
  std::lock_guard lock(mutex_);
  const auto it = windows_.find(window);
  if (it == windows_.end()) return std::nullopt;
  return it->second;
}

void SimDesktop::SetHandler(WindowHandle window, Handler handler) {
  std::lock_guard lock(mutex_);
  handlers_[window] = std::move(handler);
}

void SimDesktop::AddTicker(std::function<void()> ticker) {
  std::lock_guard lock(mutex_);
  tickers_.push_back(std::move(ticker));
}

void SimDesktop::SetAutomationAvailable(bool available) {
  std::lock_guard lock(mutex_);
  automation_ = available;
}

std::vector<SimDesktop::Message> SimDesktop::messages() {
  std::lock_guard lock(mutex_);
  return messages_;
}

void SimDesktop::Tick() {
  std::vector<std::function<void()>> tickers;
  {
    std::lock_guard lock(mutex_);
    tickers = tickers_;
  }
  for (const auto& ticker : tickers) ticker();
}

SimDesktop::Window* SimDesktop::Live(WindowHandle window) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return nullptr;
  const auto root = windows_.find(RootOf(window));
  if (root == windows_.end() || !processes_.IsRunning(root->second.process_id)) return nullptr;
  return &it->second;
}

WindowHandle SimDesktop::RootOf(WindowHandle window) {
  WindowHandle handle = window;
  for (auto it = windows_.find(handle); it != windows_.end() && it->second.parent != 0;
       it = windows_.find(handle)) {
    handle = it->second.parent;
  }
  return handle;
}

support::Status SimDesktop::Post(Message message) {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    if (!Live(message.target)) return NoWindow(L"PostMessageW");
    messages_.push_back(message);
    const auto it = handlers_.find(RootOf(message.target));
    if (it != handlers_.end()) handler = it->second;
  }
  // The program handles its message unlocked: it may change its own windows.
  if (handler) handler(message);
  return {};
}

}  // namespace platform
