// SimDesktop: the windows of simulated programs. A window belongs to a process and is
// listed only while that process runs. Programs are models: they add windows, and react
// to the messages posted to them through a handler; tickers run before every port call
// so a model can bring its windows up to the sim clock (a scanner's log grows with time).
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/processes_sim.h"

namespace platform {

class SimDesktop final : public Desktop {
 public:
  struct Window {
    WindowHandle parent = 0;  // 0 for a top-level window
    std::uint32_t process_id = 0;
    bool visible = true;
    bool enabled = true;
    bool hung = false;  // SendMessageTimeout runs out: text and combo calls fail
    std::wstring class_name;
    std::wstring text;
    std::int32_t control_id = 0;
    std::vector<std::wstring> items;  // combo boxes
    std::int32_t selection = -1;
    std::map<std::wstring, std::wstring> automation_names;  // by automation ID
  };
  enum class MessageKind { kCommand, kClose, kRegistered };
  struct Message {
    WindowHandle target = 0;
    MessageKind kind = MessageKind::kCommand;
    std::int32_t control_id = 0;
    std::uint32_t notify_code = 0;
    WindowHandle control = 0;
    std::wstring name;  // registered message name
  };
  using Handler = std::function<void(const Message&)>;

  explicit SimDesktop(SimProcesses& processes);

  std::vector<TopWindow> TopLevelWindows() override;
  std::vector<ChildWindow> ChildWindows(WindowHandle window) override;
  WindowHandle DialogItem(WindowHandle window, std::int32_t control_id) override;
  support::Result<std::wstring> Text(WindowHandle window) override;
  bool IsEnabled(WindowHandle window) override;
  support::Result<std::vector<std::wstring>> ComboItems(WindowHandle combo) override;
  std::int32_t ComboSelection(WindowHandle combo) override;
  support::Status SelectComboItem(WindowHandle combo, std::int32_t index) override;
  WindowHandle CommandTarget(WindowHandle control) override;
  support::Status PostCommand(WindowHandle target, std::int32_t control_id,
                              std::uint32_t notify_code, WindowHandle control) override;
  support::Status PostClose(WindowHandle window) override;
  support::Status PostRegisteredMessage(WindowHandle window, const std::wstring& name) override;
  support::Result<std::wstring> AutomationName(WindowHandle window,
                                               const std::wstring& automation_id) override;

  // Model and test controls.
  WindowHandle AddWindow(const Window& window);
  void RemoveWindow(WindowHandle window);
  // Changes a window in place; nothing when it is gone.
  void Update(WindowHandle window, const std::function<void(Window&)>& change);
  std::optional<Window> Get(WindowHandle window);
  // Receives every message posted to the top-level window `window` (or its children).
  void SetHandler(WindowHandle window, Handler handler);
  void AddTicker(std::function<void()> ticker);
  // UI Automation cannot be created, as under Wine.
  void SetAutomationAvailable(bool available);
  std::vector<Message> messages();

 private:
  void Tick();
  // The window when it exists and its process runs; caller holds the lock.
  Window* Live(WindowHandle window);
  WindowHandle RootOf(WindowHandle window);  // caller holds the lock
  support::Status Post(Message message);

  SimProcesses& processes_;
  std::mutex mutex_;
  std::map<WindowHandle, Window> windows_;
  std::map<WindowHandle, Handler> handlers_;
  std::vector<std::function<void()>> tickers_;
  std::vector<Message> messages_;
  WindowHandle next_handle_ = 0x10010;
  bool automation_ = true;
};

}  // namespace platform
