#include "platform/sim/shell_sim.h"

namespace platform {

bool SimShell::RunElevated(const std::wstring& exe_path, const std::wstring& parameters) {
  std::lock_guard lock(mutex_);
  elevated_runs_.push_back({exe_path, parameters});
  return accept_;
}

void SimShell::ShowMessage(const std::wstring& caption, const std::wstring& text,
                           MessageIcon icon) {
  std::lock_guard lock(mutex_);
  messages_.push_back({caption, text, icon});
}

void SimShell::SetElevationAccepted(bool accepted) {
  std::lock_guard lock(mutex_);
  accept_ = accepted;
}

std::vector<SimShell::ElevatedRun> SimShell::elevated_runs() {
  std::lock_guard lock(mutex_);
  return elevated_runs_;
}

std::vector<SimShell::Message> SimShell::messages() {
  std::lock_guard lock(mutex_);
  return messages_;
}

}  // namespace platform
