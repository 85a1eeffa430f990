#include "gui/screens/settings_screen.h"

#include <algorithm>

#include "gui/screens/widgets.h"
#include "gui/theme.h"

namespace gui::screens {
namespace {

using namespace gui::palette;

constexpr float kRowHeight = 34;
constexpr float kButton = 28;

void DrawStepButton(Canvas& canvas, Rect button, const char* label, bool enabled, int id,
                    InputRouter& router) {
  canvas.OutlineRoundedRect(button, 4, enabled ? kElectric : kSteel, 1);
  canvas.Text(label, button, TextStyle::kButton, enabled ? kCoolWhite : kSteel, Align::kCenter,
              Align::kCenter);
  if (enabled) router.Add(id, button);
}

}  // namespace

bool StepTimer(MonitorSettings& settings, MonitorDeadlines& deadlines, std::size_t field,
               int direction, double now) {
  if (field >= kTimerFields.size()) return false;
  const TimerField& f = kTimerFields[field];
  const int before = settings.*f.value;
  const int after = std::clamp(before + direction, 1, f.maximum);
  if (after == before) return false;
  settings.*f.value = after;
  SaveMonitorSettings(settings);
  if (f.deadline != nullptr) deadlines.*f.deadline = now + after * f.seconds_per_unit;
  return true;
}

bool TimerControl(int id, MonitorSettings& settings, MonitorDeadlines& deadlines, double now) {
  const int count = static_cast<int>(kTimerFields.size());
  if (id >= kTimerMinusControl && id < kTimerMinusControl + count) {
    StepTimer(settings, deadlines, static_cast<std::size_t>(id - kTimerMinusControl), -1, now);
    return true;
  }
  if (id >= kTimerPlusControl && id < kTimerPlusControl + count) {
    StepTimer(settings, deadlines, static_cast<std::size_t>(id - kTimerPlusControl), +1, now);
    return true;
  }
  return false;
}

std::wstring ChooseFolder(MonitorSettings& settings, std::wstring MonitorSettings::*slot,
                          const std::wstring& folder) {
  if (!IsAcceptableFolderValue(folder)) {
    return L"That folder cannot be kept: choose a folder on a drive, with a path of at most "
           L"200 characters.";
  }
  settings.*slot = folder;
  SaveMonitorSettings(settings);
  return L"";
}

void DrawTimers(Canvas& canvas, Rect area, const MonitorSettings& settings, InputRouter& router) {
  canvas.Text("Timers", {area.x, area.y, area.width, 24}, TextStyle::kSectionTitle, kCoolWhite);
  for (std::size_t i = 0; i < kTimerFields.size(); ++i) {
    const TimerField& f = kTimerFields[i];
    const float y = area.y + 28 + static_cast<float>(i) * kRowHeight;
    const int value = settings.*f.value;
    canvas.Text(f.label, {area.x, y, area.width - 140, kButton}, TextStyle::kLabel, kIcy,
                Align::kLeading, Align::kCenter);
    const float right = area.Right();
    DrawStepButton(canvas, {right - 3 * kButton - 16, y, kButton, kButton}, "-", value > 1,
                   kTimerMinusControl + static_cast<int>(i), router);
    canvas.Text(std::to_string(value), {right - 2 * kButton - 12, y, kButton + 8, kButton},
                TextStyle::kNumbers, kCoolWhite, Align::kCenter, Align::kCenter);
    DrawStepButton(canvas, {right - kButton, y, kButton, kButton}, "+", value < f.maximum,
                   kTimerPlusControl + static_cast<int>(i), router);
  }
}

void DrawSwitches(Canvas& canvas, Rect area, const MonitorSettings& settings, InputRouter& router) {
  canvas.Text("Window and monitoring", {area.x, area.y, area.width, 24}, TextStyle::kSectionTitle,
              kCoolWhite);
  for (std::size_t i = 0; i < kSwitchFields.size(); ++i) {
    const SwitchField& f = kSwitchFields[i];
    const Rect row{area.x, area.y + 30 + static_cast<float>(i) * (kRowHeight + 4), area.width,
                   kRowHeight};
    DrawCheckItem(canvas, router, row, f.label, "", settings.*f.value,
                  kSwitchControl + static_cast<int>(i));
  }
}

bool SwitchControl(int id, MonitorSettings& settings) {
  const int index = id - kSwitchControl;
  if (index < 0 || index >= static_cast<int>(kSwitchFields.size())) return false;
  bool& value = settings.*kSwitchFields[static_cast<std::size_t>(index)].value;
  value = !value;
  if (&value == &settings.maintainTiming) settings.maintainAsked = true;
  SaveMonitorSettings(settings);
  return true;
}

}  // namespace gui::screens
