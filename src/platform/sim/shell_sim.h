// SimShell: the shell of the simulated machine. Records every elevation request and
// message box; the user accepts the UAC prompt unless a test says otherwise.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace platform {

class SimShell final : public Shell {
 public:
  struct ElevatedRun {
    std::wstring exe_path;
    std::wstring parameters;
  };
  struct Message {
    std::wstring caption;
    std::wstring text;
    MessageIcon icon;
  };

  bool RunElevated(const std::wstring& exe_path, const std::wstring& parameters) override;
  void ShowMessage(const std::wstring& caption, const std::wstring& text,
                   MessageIcon icon) override;

  // Test controls.
  void SetElevationAccepted(bool accepted);
  // Every request, accepted or not.
  std::vector<ElevatedRun> elevated_runs();
  std::vector<Message> messages();

 private:
  std::mutex mutex_;
  bool accept_ = true;
  std::vector<ElevatedRun> elevated_runs_;
  std::vector<Message> messages_;
};

}  // namespace platform
