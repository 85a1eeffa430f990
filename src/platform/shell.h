// Shell port: the elevation relaunch and message boxes.
#pragma once

#include <string>

namespace platform {

enum class MessageIcon { kWarning, kError, kInformation };

class Shell {
 public:
  virtual ~Shell() = default;
  // ShellExecuteExW(verb "runas", SW_SHOWNORMAL); true when the shell accepted the
  // request. The started process is not waited for.
  virtual bool RunElevated(const std::wstring& exe_path, const std::wstring& parameters) = 0;
  // MessageBoxW with no owner.
  virtual void ShowMessage(const std::wstring& caption, const std::wstring& text,
                           MessageIcon icon) = 0;
};

}  // namespace platform
