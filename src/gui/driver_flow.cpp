#include "gui/driver_flow.h"

namespace gui {

bool OfferDownloadable(const GpuDriverOffer& offer) {
  const bool supported = offer.vendor == kDriverNvidia || offer.vendor == kDriverAmd;
  return offer.found && supported && offer.spaceOk && !offer.downloadUrl.empty();
}

GpuFlow DriverFlow::State() const {
  std::lock_guard lock(mu_);
  return state_;
}

GpuDriverOffer DriverFlow::Offer() const {
  std::lock_guard lock(mu_);
  return offer_;
}

bool DriverFlow::CanEnter(Phase phase) const {
  std::lock_guard lock(mu_);
  return CanEnterLocked(phase);
}

bool DriverFlow::CanEnterLocked(Phase phase) const {
  switch (phase) {
    case Phase::Lookup:
      return !FlowInProgress(state_);
    case Phase::Download:
      return (state_ == GpuFlow::OfferReady || state_ == GpuFlow::Failed) &&
             OfferDownloadable(offer_);
    case Phase::Install:
      return (state_ == GpuFlow::Downloaded || (state_ == GpuFlow::Failed && installFailed_)) &&
             !offer_.localPath.empty();
  }
  return false;
}

void DriverFlow::EnterLocked(Phase phase) {
  switch (phase) {
    case Phase::Lookup:
      state_ = GpuFlow::LookingUp;
      offer_ = {};
      break;
    case Phase::Download:
      state_ = GpuFlow::Downloading;
      offer_.message.clear();
      break;
    case Phase::Install:
      state_ = GpuFlow::Installing;
      offer_.message.clear();
      break;
  }
  installFailed_ = false;
}

bool DriverFlow::End(GpuFlow from, GpuFlow to, const GpuDriverOffer* offer) {
  std::lock_guard lock(mu_);
  if (state_ != from) return false;
  state_ = to;
  if (offer != nullptr) offer_ = *offer;
  return true;
}

bool DriverFlow::Fail(GpuFlow from, bool install, const std::wstring& error) {
  std::lock_guard lock(mu_);
  if (state_ != from) return false;
  state_ = GpuFlow::Failed;
  installFailed_ = install;
  if (!install) offer_.localPath.clear();  // a partial download is never installed
  offer_.message = error;
  return true;
}

void DriverFlow::Reset() {
  std::lock_guard lock(mu_);
  state_ = GpuFlow::Idle;
  offer_ = {};
  installFailed_ = false;
}

}  // namespace gui
