#include "gui/update_worker.h"

namespace gui {

UpdateWorker::~UpdateWorker() { Shutdown(); }

void UpdateWorker::Shutdown() {
  cancel_ = true;
  Join();
}

void UpdateWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

bool UpdateWorker::StartCheck() {
  if (!host_.checkUpdate || applying_ || checking_) return false;
  Join();
  checking_ = true;
  {
    std::lock_guard lock(mu_);
    checkDone_ = false;
  }
  thread_ = std::thread([this] {
    update::AppUpdate found;
    std::wstring error;
    const bool available = host_.checkUpdate(found, cancel_, error);
    {
      std::lock_guard lock(mu_);
      offer_ = found;
      available_ = available;
      checkDone_ = true;
    }
    checking_ = false;
  });
  return true;
}

bool UpdateWorker::StartApply(const update::AppUpdate& offer) {
  if (!host_.applyUpdate || applying_) return false;
  cancel_ = true;  // a check still running gives way
  Join();
  cancel_ = false;
  applying_ = true;
  {
    std::lock_guard lock(mu_);
    applyProgress_ = L"Starting the download";
  }
  thread_ = std::thread([this, offer] {
    std::wstring error;
    const int result = host_.applyUpdate(
        offer,
        [this](const std::wstring& line) {
          std::lock_guard lock(mu_);
          applyProgress_ = line;
        },
        cancel_, error);
    {
      std::lock_guard lock(mu_);
      applyProgress_.clear();
      if (result != 0 && !cancel_) {
        applyError_ = error.empty() ? std::wstring(L"The update could not be installed.") : error;
      }
    }
    if (result == 0) restart_ = true;
    applying_ = false;
  });
  return true;
}

bool UpdateWorker::Available() const {
  std::lock_guard lock(mu_);
  return checkDone_ && available_ && !applying_;
}

std::wstring UpdateWorker::ApplyProgress() const {
  std::lock_guard lock(mu_);
  return applying_ ? applyProgress_ : std::wstring();
}

UpdateTick UpdateWorker::Take(bool promptRequested, const std::wstring& runningVersion,
                              bool serviceInstalled) {
  std::lock_guard lock(mu_);
  UpdateTick tick;
  if (!applyError_.empty()) {
    tick.kind = UpdateTick::Kind::kError;
    tick.text.swap(applyError_);
    return tick;
  }
  if (applying_ || !checkDone_ || !available_) return tick;
  tick.offer = offer_;
  if (promptRequested) {
    tick.kind = UpdateTick::Kind::kAsk;
    tick.text = UpdatePromptText(offer_, runningVersion, serviceInstalled);
  } else if (offer_.version != lastAnnounced_) {
    lastAnnounced_ = offer_.version;
    tick.kind = UpdateTick::Kind::kAnnounce;
    tick.text = L"Version " + offer_.version + L" is ready. Open Veltrane to install it.";
  }
  return tick;
}

std::wstring UpdatePromptText(const update::AppUpdate& offer, const std::wstring& runningVersion,
                              bool serviceInstalled) {
  std::wstring text =
      L"Veltrane " + offer.version + L" is available.\nThis copy is " + runningVersion + L".";
  if (!offer.notes.empty()) {
    text += L"\n\n";
    text += offer.notes.size() > 500 ? offer.notes.substr(0, 500) + L"…" : offer.notes;
  }
  text += serviceInstalled
              ? L"\n\nDownload it and replace this copy, including the installed service? "
                L"Veltrane will close and open the new version."
              : L"\n\nDownload it and replace this copy? Veltrane will close and open the new "
                L"version.";
  return text;
}

}  // namespace gui
