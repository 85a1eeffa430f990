// RestartDebt: the timer service a measurement stopped must run again. Only a successful
// install made after the debt arose settles it (an install that finished earlier, or a
// hand-off to an elevated copy, does not); a Hold that stops or fails while it is owed
// restarts the service at once rather than leaving it down until exit.
#pragma once

namespace gui {

class RestartDebt {
 public:
  // After a Measure run (also one that threw, when it had stopped the service). True when
  // the service must be restarted now.
  bool MeasureEnded(bool serviceStopped, bool holdBusy) {
    if (!serviceStopped) return false;
    if (holdBusy) owed_ = true;
    return !holdBusy;
  }
  // After a Hold run with the install's return (0 success, 1 failure, 2 handed off) or
  // -1 when it stopped before installing. True when the service must be restarted now.
  bool HoldEnded(int installReturn) {
    if (!owed_ || installReturn == 2) return false;
    owed_ = false;  // settled by the install, or restarted now after a failed Hold
    return installReturn != 0;
  }
  // At exit: restart unless an update is replacing the program.
  bool AtExit(bool updateApplying) const { return owed_ && !updateApplying; }

 private:
  bool owed_ = false;
};

}  // namespace gui
