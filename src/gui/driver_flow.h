// DriverFlow: where GPU Clean's driver flow stands, with the offer it works on, under one
// mutex. A phase moves the flow only out of its own in-progress state, so a Skip (which
// puts the flow back to Idle) is never overwritten by the late end of the phase it skipped.
#pragma once

#include <mutex>
#include <string>

#include "driver/gpu_driver_offer.h"
#include "gui/full_tune.h"

namespace gui {

class DriverFlow {
 public:
  GpuFlow State() const;
  GpuDriverOffer Offer() const;

  // The phase each Begin may start from; checked and set under the mutex by Enter.
  enum class Phase { Lookup, Download, Install };
  bool CanEnter(Phase phase) const;
  // Moves into the phase's in-progress state when CanEnter holds; `started` is called under
  // the mutex and must start the worker, so the flow changes only when a worker runs it and
  // the worker cannot end the phase before it began.
  template <typename Start>
  bool Enter(Phase phase, Start started) {
    std::lock_guard lock(mu_);
    if (!CanEnterLocked(phase) || !started()) return false;
    EnterLocked(phase);
    return true;
  }

  // The end of a phase: `to` replaces `from` only when the flow is still in `from`; the
  // offer is replaced too when given. False when the flow had moved on (a Skip).
  bool End(GpuFlow from, GpuFlow to, const GpuDriverOffer* offer = nullptr);
  // A failed download or install: the error text goes into the offer's message.
  bool Fail(GpuFlow from, bool install, const std::wstring& error);
  // Skip or Begin: Idle with no offer.
  void Reset();

 private:
  bool CanEnterLocked(Phase phase) const;
  void EnterLocked(Phase phase);

  mutable std::mutex mu_;
  GpuFlow state_ = GpuFlow::Idle;
  GpuDriverOffer offer_;
  bool installFailed_ = false;  // which phase the Failed state belongs to
};

// A download can start from this offer: a vendor package was found, it is one the program
// installs, there is room for it, and it has an address.
bool OfferDownloadable(const GpuDriverOffer& offer);

}  // namespace gui
