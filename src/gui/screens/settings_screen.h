// The Settings panel: the app switches, the timers, the two folders and the full tune's
// steps. Each change is saved at once; each "-" or "+" moves only its own deadline; a folder
// the settings cannot keep is refused with a reason instead of being shown as chosen.
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
// (the slot is then left as it was), or why the steps will not use the kept folder yet.
std::wstring ChooseFolder(MonitorSettings& settings, std::wstring MonitorSettings::*slot,
                          const std::wstring& folder);

// The "Timers" block: a label, the value and its "-" and "+" buttons per field.
void DrawTimers(Canvas& canvas, Rect area, const MonitorSettings& settings, InputRouter& router);

struct SwitchField {
  const char* label;
  bool MonitorSettings::*value;
};

// The first switch stands for two values: starting at sign-in and starting in the tray go
// together (see SwitchControl).
inline constexpr std::array<SwitchField, 5> kSwitchFields = {{
    {"Start with Windows, minimized to the tray", &MonitorSettings::launchAtLogin},
    {"Close the window to the tray", &MonitorSettings::closeToTray},
    {"Notify when a monitored setting needs attention", &MonitorSettings::notify},
    {"Pause health monitoring", &MonitorSettings::paused},
    {"Maintain timing automatically", &MonitorSettings::maintainTiming},
}};

inline constexpr int kSwitchControl = 420;  // + the field's index
// Home's "Maintain timing" button flips the same switch.
inline constexpr int kMaintainSwitch = kSwitchControl + 4;
static_assert(kSwitchFields[4].value == &MonitorSettings::maintainTiming);

// Whether a switch shows as on.
bool SwitchOn(const MonitorSettings& settings, std::size_t field);

// Flips and saves an activated switch; false for any other id. The first switch sets
// LaunchAtLogin and StartMinimized together and, switched on, CloseToTray too (a program
// that starts in the tray should go back there). Maintain timing switched on counts as
// answered, so its question is never asked again.
bool SwitchControl(int id, MonitorSettings& settings);

struct FolderField {
  const char* label;
  std::wstring MonitorSettings::*value;
  const wchar_t* pickerTitle;
};
inline constexpr std::array<FolderField, 2> kFolderFields = {{
    {"Drivers", &MonitorSettings::driverDir, L"Choose where driver packages are stored"},
    {"Afterburner", &MonitorSettings::afterburnerDir, L"Choose where MSI Afterburner is installed"},
}};
inline constexpr int kFolderBrowseControl = 440;   // + the field's index
inline constexpr int kFolderDefaultControl = 450;  // + the field's index
inline constexpr int kStepChoiceControl = 460;     // + the step's index

// What the panel shows besides the settings: the folders used when none is chosen, and
// the full tune's step choices.
struct SettingsExtras {
  std::array<std::wstring, 2> defaultFolders;
  std::array<bool, 9> steps{};
  std::wstring folderNote;  // why the last picked folder was refused or is not used yet
};

// The whole panel: switches and folders on the left, timers and steps on the right.
void DrawSettingsPanel(Canvas& canvas, Rect area, const MonitorSettings& settings,
                       const SettingsExtras& extras, InputRouter& router);

}  // namespace gui::screens
