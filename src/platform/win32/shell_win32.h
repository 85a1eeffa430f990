// Win32Shell: ShellExecuteExW with the "runas" verb, and MessageBoxW.
#pragma once

#include "platform/shell.h"

namespace platform {

class Win32Shell final : public Shell {
 public:
  bool RunElevated(const std::wstring& exe_path, const std::wstring& parameters) override;
  void ShowMessage(const std::wstring& caption, const std::wstring& text,
                   MessageIcon icon) override;
};

}  // namespace platform
