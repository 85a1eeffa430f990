#include "platform/sim/instance_lock_sim.h"

namespace platform {

class SimInstanceLock::Handle final : public HeldMutex {
 public:
  Handle(std::shared_ptr<State> state, std::wstring name)
      : state_(std::move(state)), name_(std::move(name)) {}
  ~Handle() override {
    std::lock_guard lock(state_->mutex);
    if (--state_->handles[name_] <= 0) state_->handles.erase(name_);
  }

 private:
  std::shared_ptr<State> state_;
  std::wstring name_;
};

SimInstanceLock::SimInstanceLock() : state_(std::make_shared<State>()) {}
SimInstanceLock::~SimInstanceLock() = default;

std::unique_ptr<HeldMutex> SimInstanceLock::TryCreate(const std::wstring& name) {
  auto held = Acquire(name);
  return held ? std::move(held).value() : nullptr;
}

support::Result<std::unique_ptr<HeldMutex>> SimInstanceLock::Acquire(const std::wstring& name) {
  std::lock_guard lock(state_->mutex);
  if (state_->fail_next) {
    state_->fail_next = false;
    return support::Fail(support::ErrorCode::kAccessDenied, L"CreateMutexW " + name, 5);
  }
  if (state_->handles.count(name) != 0) {
    return support::Fail(support::ErrorCode::kAlreadyExists, name, 183);
  }
  state_->handles[name] = 1;
  return std::unique_ptr<HeldMutex>(std::make_unique<Handle>(state_, name));
}

void SimInstanceLock::HoldElsewhere(const std::wstring& name) {
  std::lock_guard lock(state_->mutex);
  ++state_->handles[name];
}

void SimInstanceLock::ReleaseElsewhere(const std::wstring& name) {
  std::lock_guard lock(state_->mutex);
  const auto it = state_->handles.find(name);
  if (it != state_->handles.end() && --it->second <= 0) state_->handles.erase(it);
}

bool SimInstanceLock::IsHeld(const std::wstring& name) {
  std::lock_guard lock(state_->mutex);
  return state_->handles.count(name) != 0;
}

void SimInstanceLock::FailNextCreate() {
  std::lock_guard lock(state_->mutex);
  state_->fail_next = true;
}

}  // namespace platform
