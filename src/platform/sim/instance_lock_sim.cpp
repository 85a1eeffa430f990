#include "platform/sim/instance_lock_sim.h"

namespace platform {
namespace {

// Plain names never contain a NUL, so no plain name can stand for a private one.
std::wstring PrivateKey(const std::wstring& namespace_name, const std::wstring& name) {
  return namespace_name + L'\0' + name;
}

}  // namespace

class SimInstanceLock::Handle final : public HeldMutex {
 public:
  Handle(std::shared_ptr<State> state, std::wstring key)
      : state_(std::move(state)), key_(std::move(key)) {}
  ~Handle() override {
    std::lock_guard lock(state_->mutex);
    if (--state_->handles[key_] <= 0) state_->handles.erase(key_);
  }

 private:
  std::shared_ptr<State> state_;
  std::wstring key_;
};

SimInstanceLock::SimInstanceLock(SimEnvironment& environment)
    : environment_(environment), state_(std::make_shared<State>()) {}
SimInstanceLock::~SimInstanceLock() = default;

std::unique_ptr<HeldMutex> SimInstanceLock::TryCreate(const std::wstring& name) {
  auto held = Acquire(name);
  return held ? std::move(held).value() : nullptr;
}

support::Result<std::unique_ptr<HeldMutex>> SimInstanceLock::Acquire(const std::wstring& name) {
  return Create(name, name);
}

support::Result<std::unique_ptr<HeldMutex>> SimInstanceLock::AcquireForAdministrators(
    const std::wstring& namespace_name, const std::wstring& name) {
  if (!private_namespaces_) {
    return support::Fail(support::ErrorCode::kUnsupported,
                         L"CreateBoundaryDescriptorW " + namespace_name, 120);
  }
  if (!environment_.IsProcessElevated()) {
    return support::Fail(support::ErrorCode::kAccessDenied,
                         L"CreatePrivateNamespaceW " + namespace_name, 5);
  }
  return Create(PrivateKey(namespace_name, name), namespace_name + L"\\" + name);
}

support::Result<std::unique_ptr<HeldMutex>> SimInstanceLock::Create(const std::wstring& key,
                                                                    const std::wstring& name) {
  std::lock_guard lock(state_->mutex);
  if (state_->fail_next) {
    state_->fail_next = false;
    return support::Fail(support::ErrorCode::kAccessDenied, L"CreateMutexW " + name, 5);
  }
  if (state_->handles.count(key) != 0) {
    return support::Fail(support::ErrorCode::kAlreadyExists, name, 183);
  }
  state_->handles[key] = 1;
  return std::unique_ptr<HeldMutex>(std::make_unique<Handle>(state_, key));
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

void SimInstanceLock::HoldElsewhereForAdministrators(const std::wstring& namespace_name,
                                                     const std::wstring& name) {
  HoldElsewhere(PrivateKey(namespace_name, name));
}

bool SimInstanceLock::IsHeld(const std::wstring& name) {
  std::lock_guard lock(state_->mutex);
  return state_->handles.count(name) != 0;
}

bool SimInstanceLock::IsHeldForAdministrators(const std::wstring& namespace_name,
                                              const std::wstring& name) {
  return IsHeld(PrivateKey(namespace_name, name));
}

void SimInstanceLock::FailNextCreate() {
  std::lock_guard lock(state_->mutex);
  state_->fail_next = true;
}

void SimInstanceLock::SetPrivateNamespaces(bool present) { private_namespaces_ = present; }

}  // namespace platform
