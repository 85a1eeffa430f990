// The Settings panel's timers and folders: each "-" or "+" changes its own interval, is
// saved at once and moves only its own deadline; a folder the settings cannot keep is
// refused with a reason instead of being shown as chosen.
#pragma once

#include <array>
#include <string>

#include "gui/canvas.h"
#include "gui/input_router.h"
#include "health/monitor_settings.h"

namespace gui::screens {

// When the window next runs each periodic job, in seconds of its clock.
struct MonitorDeadlines {
  double health_scan = 0;
  double maintain = 0;
  double update = 0;
};

struct TimerField {
  const char* label;
  int MonitorSettings::*value;
  int maximum;
  double seconds_per_unit;
  double MonitorDeadlines::*deadline;  // nullptr: the notification gap has none
};

inline constexpr std::array<TimerField, 4> kTimerFields = {{
    {"Health scan, hours", &MonitorSettings::scanHours, 168, 3600.0,
     &MonitorDeadlines::health_scan},
    {"Maintain check, minutes", &MonitorSettings::maintainMinutes, 180, 60.0,
     &MonitorDeadlines::maintain},
    {"Update check, minutes", &MonitorSettings::updateMinutes, 1440, 60.0,
     &MonitorDeadlines::update},
    {"Notification gap, minutes", &MonitorSettings::notifyMinutes, 1440, 60.0, nullptr},
}};

inline constexpr int kTimerMinusControl = 400;  // + the field's index
inline constexpr int kTimerPlusControl = 410;   // + the field's index

// Steps one field by `direction` (-1 or +1) within 1 and its maximum. True when the value
// changed: it is then saved and its deadline moved to now plus the new interval.
bool StepTimer(MonitorSettings& settings, MonitorDeadlines& deadlines, std::size_t field,
               int direction, double now);

// Handles an activated timer control; false for any other id.
bool TimerControl(int id, MonitorSettings& settings, MonitorDeadlines& deadlines, double now);

// Stores a picked folder in `slot` and saves; the reason when the settings cannot keep it
// (the slot is then left as it was).
std::wstring ChooseFolder(MonitorSettings& settings, std::wstring MonitorSettings::*slot,
                          const std::wstring& folder);

// The "Timers" block: a label, the value and its "-" and "+" buttons per field.
void DrawTimers(Canvas& canvas, Rect area, const MonitorSettings& settings, InputRouter& router);

struct SwitchField {
  const char* label;
  bool MonitorSettings::*value;
};

inline constexpr std::array<SwitchField, 6> kSwitchFields = {{
    {"Close to the tray", &MonitorSettings::closeToTray},
    {"Start minimised to the tray", &MonitorSettings::startMinimized},
    {"Start with Windows", &MonitorSettings::launchAtLogin},
    {"Notifications", &MonitorSettings::notify},
    {"Maintain the timing structure", &MonitorSettings::maintainTiming},
    {"Pause monitoring", &MonitorSettings::paused},
}};

inline constexpr int kSwitchControl = 420;  // + the field's index
// Home's "Maintain timing" button flips the same switch.
inline constexpr int kMaintainSwitch = kSwitchControl + 4;
static_assert(kSwitchFields[4].value == &MonitorSettings::maintainTiming);

// The switches block: one check item per field.
void DrawSwitches(Canvas& canvas, Rect area, const MonitorSettings& settings, InputRouter& router);

// Flips and saves an activated switch; false for any other id. Maintain timing switched
// on counts as answered, so its question is never asked again.
bool SwitchControl(int id, MonitorSettings& settings);

}  // namespace gui::screens
