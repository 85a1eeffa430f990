#include "platform/sim/power_sim.h"

#include <algorithm>
#include <utility>

#include "support/guid_parse.h"

namespace platform {

using support::ErrorCode;
using support::GuidText;

SimPower::SimPower() : active_(kBalanced) {
  for (const support::Guid& scheme : {kBalanced, kHighPerformance, kUltimatePerformance}) {
    schemes_.insert(GuidText(scheme));
  }
  // A 4-core machine idling well below its top clock, until a test queues its own.
  std::vector<ProcessorPower> idle;
  for (std::uint32_t i = 0; i < 4; ++i) idle.push_back(ProcessorPower{i, 3600, 2200, 3600});
  readings_.push_back(std::move(idle));
}

support::Result<std::vector<ProcessorPower>> SimPower::ProcessorInformation(std::uint32_t count) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(PowerOp::kProcessorInformation, L"ProcessorInformation")) {
    return *fault;
  }
  std::vector<ProcessorPower> reading = readings_.front();
  if (readings_.size() > 1) readings_.pop_front();
  // Windows fills as many records as the buffer holds and fails when it is too small.
  if (reading.size() > count) return support::Fail(ErrorCode::kFailed, L"buffer", 122);
  return reading;
}

support::Result<support::Guid> SimPower::ActiveScheme() {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(PowerOp::kActiveScheme, L"ActiveScheme")) return *fault;
  return active_;
}

support::Status SimPower::SetActiveScheme(const support::Guid& scheme) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(PowerOp::kSetActive, GuidText(scheme))) return *fault;
  if (!schemes_.count(GuidText(scheme))) return support::Fail(ErrorCode::kNotFound, L"scheme", 2);
  active_ = scheme;
  return {};
}

support::Result<std::uint32_t> SimPower::ReadValueIndex(const support::Guid& scheme,
                                                        const support::Guid& subgroup,
                                                        const support::Guid& setting,
                                                        PowerSource source) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(PowerOp::kRead, GuidText(setting))) return *fault;
  auto it = values_.find(Key{GuidText(scheme), GuidText(subgroup), GuidText(setting), source});
  if (!schemes_.count(GuidText(scheme)) || it == values_.end()) {
    return support::Fail(ErrorCode::kNotFound, GuidText(setting), 2);
  }
  return it->second;
}

support::Status SimPower::WriteValueIndex(const support::Guid& scheme,
                                          const support::Guid& subgroup,
                                          const support::Guid& setting, PowerSource source,
                                          std::uint32_t value) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(PowerOp::kWrite, GuidText(setting))) return *fault;
  if (!schemes_.count(GuidText(scheme))) return support::Fail(ErrorCode::kNotFound, L"scheme", 2);
  values_[Key{GuidText(scheme), GuidText(subgroup), GuidText(setting), source}] = value;
  return {};
}

void SimPower::FailNext(PowerOp op, ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  faults_.Add(op, code, win32_error);
}

void SimPower::QueueReading(std::uint32_t processors, std::uint32_t current_mhz,
                            std::uint32_t max_mhz) {
  std::vector<ProcessorPower> reading;
  for (std::uint32_t i = 0; i < processors; ++i) {
    reading.push_back(ProcessorPower{i, max_mhz, current_mhz, max_mhz});
  }
  QueueReading(std::move(reading));
}

void SimPower::QueueReading(std::vector<ProcessorPower> reading) {
  std::lock_guard lock(mutex_);
  if (default_reading_) readings_.clear();
  default_reading_ = false;
  readings_.push_back(std::move(reading));
}

void SimPower::Seed(const support::Guid& scheme, const support::Guid& subgroup,
                    const support::Guid& setting, PowerSource source, std::uint32_t value) {
  std::lock_guard lock(mutex_);
  schemes_.insert(GuidText(scheme));
  values_[Key{GuidText(scheme), GuidText(subgroup), GuidText(setting), source}] = value;
}

bool SimPower::RemoveScheme(const support::Guid& scheme) {
  std::lock_guard lock(mutex_);
  return schemes_.erase(GuidText(scheme)) > 0;
}

support::Status SimPower::WriteSettingAttributes(const support::Guid& subgroup,
                                                 const support::Guid& setting,
                                                 std::uint32_t attributes) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(PowerOp::kAttributes, GuidText(setting))) return *fault;
  attributes_[{GuidText(subgroup), GuidText(setting)}] = attributes;
  return {};
}

void SimPower::FailEnumerationAfter(std::size_t listed, ErrorCode code) {
  std::lock_guard lock(mutex_);
  faults_.Add(PowerOp::kEnumerate, code, 0);
  listed_before_fault_ = listed;
}

PowerSchemeList SimPower::EnumerateSchemes() {
  std::lock_guard lock(mutex_);
  PowerSchemeList list;
  for (const std::wstring& text : schemes_) list.schemes.push_back(*support::ParseGuid(text));
  // Windows lists one scheme per index, so a failing index ends the list where it stands.
  if (auto fault = faults_.Take(PowerOp::kEnumerate, L"PowerEnumerate")) {
    list.schemes.resize(std::min(listed_before_fault_, list.schemes.size()));
    list.complete = *fault;
  }
  listed_before_fault_ = 0;
  return list;
}

void SimPower::AddScheme(const support::Guid& scheme) {
  std::lock_guard lock(mutex_);
  schemes_.insert(GuidText(scheme));
}

bool SimPower::HasScheme(const support::Guid& scheme) {
  std::lock_guard lock(mutex_);
  return schemes_.count(GuidText(scheme)) > 0;
}

void SimPower::Hide(const support::Guid& subgroup, const support::Guid& setting) {
  std::lock_guard lock(mutex_);
  attributes_[{GuidText(subgroup), GuidText(setting)}] |= 1;
}

bool SimPower::IsHidden(const support::Guid& subgroup, const support::Guid& setting) {
  std::lock_guard lock(mutex_);
  auto it = attributes_.find({GuidText(subgroup), GuidText(setting)});
  return it != attributes_.end() && (it->second & 1) != 0;
}

void SimPower::Erase(const support::Guid& scheme, const support::Guid& subgroup,
                     const support::Guid& setting, PowerSource source) {
  std::lock_guard lock(mutex_);
  values_.erase(Key{GuidText(scheme), GuidText(subgroup), GuidText(setting), source});
}

std::map<SimPower::Key, std::uint32_t> SimPower::Values() {
  std::lock_guard lock(mutex_);
  return values_;
}

}  // namespace platform
