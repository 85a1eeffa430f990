#include "gui/screens/settings_screen.h"

#include <algorithm>

#include "app/data_folder.h"
#include "gui/screens/widgets.h"
#include "gui/steps.h"
#include "gui/theme.h"
#include "support/utf.h"

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
  // What is kept there runs elevated: the steps pass over a folder others may change, so
  // say so now rather than let the choice look as if it were used.
  if (const std::wstring unsafe = UnsafeForElevatedUse(folder); !unsafe.empty()) {
    return L"Kept, but " + folder + L" " + unsafe +
           L": the usual location is used until only administrators can change it.";
  }
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

bool SwitchOn(const MonitorSettings& settings, std::size_t field) {
  if (field == 0) return settings.launchAtLogin && settings.startMinimized;
  return field < kSwitchFields.size() && settings.*kSwitchFields[field].value;
}

bool SwitchControl(int id, MonitorSettings& settings) {
  const int index = id - kSwitchControl;
  if (index < 0 || index >= static_cast<int>(kSwitchFields.size())) return false;
  const bool on = !SwitchOn(settings, static_cast<std::size_t>(index));
  if (index == 0) {
    settings.launchAtLogin = on;
    settings.startMinimized = on;
    if (on) settings.closeToTray = true;
  } else {
    settings.*kSwitchFields[static_cast<std::size_t>(index)].value = on;
  }
  if (index == 4 && on) settings.maintainAsked = true;
  SaveMonitorSettings(settings);
  return true;
}

void DrawSettingsPanel(Canvas& canvas, Rect area, const MonitorSettings& settings,
                       const SettingsExtras& extras, InputRouter& router) {
  canvas.Text("Settings", {area.x, area.y, area.width, 28}, TextStyle::kSectionTitle, kCoolWhite);
  canvas.Text(
      "Driver folder, Afterburner folder, startup, notifications, and the timers Veltrane uses.",
      {area.x, area.y + 28, area.width, 20}, TextStyle::kSmall, kIcy);
  const float top = area.y + 60;
  const float half = std::min(area.width / 2 - 20, 520.0f);
  const Rect left{area.x, top, half, area.Bottom() - top};
  const Rect right{area.x + half + 40, top, half, area.Bottom() - top};

  canvas.Text("App", {left.x, left.y, left.width, 24}, TextStyle::kSectionTitle, kCoolWhite);
  float y = left.y + 28;
  for (std::size_t i = 0; i < kSwitchFields.size(); ++i) {
    DrawCheckItem(canvas, router, {left.x, y, left.width, 30}, kSwitchFields[i].label, "",
                  SwitchOn(settings, i), kSwitchControl + static_cast<int>(i));
    y += 34;
  }
  y += 10;
  canvas.Text("Folders", {left.x, y, left.width, 24}, TextStyle::kSectionTitle, kCoolWhite);
  y += 28;
  for (std::size_t i = 0; i < kFolderFields.size(); ++i) {
    const FolderField& f = kFolderFields[i];
    const std::wstring& chosen = settings.*f.value;
    canvas.Text(f.label, {left.x, y, 110, kButton}, TextStyle::kLabel, kIcy, Align::kLeading,
                Align::kCenter);
    DrawButton(canvas, router, {left.Right() - 190, y, 90, kButton}, "Browse",
               kFolderBrowseControl + static_cast<int>(i));
    DrawButton(canvas, router, {left.Right() - 92, y, 92, kButton}, "Default",
               kFolderDefaultControl + static_cast<int>(i));
    canvas.Text(support::ToUtf8(chosen.empty() ? extras.defaultFolders[i] : chosen),
                {left.x, y + kButton + 2, left.width, 18}, TextStyle::kSmall,
                chosen.empty() ? kSteel : kCoolWhite);
    y += kButton + 26;
  }
  canvas.Text(extras.folderNote.empty()
                  ? std::string("Empty folders stay on the usual locations. RivaTuner stays in "
                                "its own folder.")
                  : support::ToUtf8(extras.folderNote),
              {left.x, y, left.width, 40}, TextStyle::kBody,
              extras.folderNote.empty() ? kSteel : kCoral);

  DrawTimers(canvas, {right.x, right.y, right.width, 28 + 4 * kRowHeight}, settings, router);
  y = right.y + 28 + 4 * kRowHeight + 10;
  canvas.Text("Full tune steps", {right.x, y, right.width, 24}, TextStyle::kSectionTitle,
              kCoolWhite);
  y += 28;
  const float rowHeight = std::min(30.0f, (right.Bottom() - y) / 9);
  for (int i = 0; i < 9; ++i) {
    DrawCheckItem(canvas, router,
                  {right.x, y + static_cast<float>(i) * rowHeight, right.width, rowHeight - 2},
                  kStepNames[static_cast<std::size_t>(i)], "",
                  extras.steps[static_cast<std::size_t>(i)], kStepChoiceControl + i);
  }
}

}  // namespace gui::screens
