#include "gui/tray_texts.h"

namespace gui {

std::wstring TrayMenuLabel(TrayCommand command, const TrayState& state) {
  auto onOff = [](const wchar_t* text, bool on) {
    return std::wstring(text) + (on ? L": on" : L": off");
  };
  switch (command) {
    case kTrayOpen:
      return L"Open Veltrane";
    case kTrayHealthCheck:
      return L"Run health check";
    case kTrayPause:
      return state.paused ? L"Resume monitoring" : L"Pause monitoring";
    case kTraySettings:
      return L"Settings";
    case kTrayExit:
      return L"Exit";
    case kTrayStartWithWindows:
      return onOff(L"Start with Windows, minimized", state.launchAtLogin);
    case kTrayNotifications:
      return onOff(L"Notifications", state.notify);
    case kTrayMaintain:
      return onOff(L"Maintain timing", state.maintainTiming);
  }
  return {};
}

std::wstring TrayTooltip(const TrayHealth& health) {
  std::wstring text = L"Veltrane";
  if (health.updatePending) {
    text += L": update available";
  } else if (health.attention > 0) {
    text += L": " + health.summary;
  } else if (health.anyCheckRan) {
    text += L": nothing needs attention";
  }
  if (text.size() > kTrayTooltipMax) text.resize(kTrayTooltipMax);
  return text;
}

}  // namespace gui
