// Registry and Power decorators that fail a share of the calls at random while armed, so a
// property can run the steps against faults at every point, not only at the first call.
#pragma once

#include <random>

#include "platform/power.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"

class FaultDice {
 public:
  explicit FaultDice(std::mt19937& rng) : rng_(rng) {}
  bool armed = false;
  double rate = 0.0;
  bool Roll() { return armed && rate > 0 && std::uniform_real_distribution<>(0, 1)(rng_) < rate; }

 private:
  std::mt19937& rng_;
};

inline support::PortError Refused() {
  return support::Fail(support::ErrorCode::kAccessDenied, L"injected", 5);
}

class FaultyRegistry final : public platform::Registry {
 public:
  FaultyRegistry(platform::Registry& inner, FaultDice& dice) : inner_(inner), dice_(dice) {}
  // Reads of a value of this name are refused whatever the dice say.
  std::wstring refusedValue;
  support::Result<std::uint32_t> ReadDword(const platform::RegPath& p) override {
    if (dice_.Roll() || (!refusedValue.empty() && p.value == refusedValue)) return Refused();
    return inner_.ReadDword(p);
  }
  support::Status WriteDword(const platform::RegPath& p, std::uint32_t d) override {
    if (dice_.Roll()) return Refused();
    return inner_.WriteDword(p, d);
  }
  support::Result<std::wstring> ReadString(const platform::RegPath& p) override {
    if (dice_.Roll()) return Refused();
    return inner_.ReadString(p);
  }
  support::Status WriteString(const platform::RegPath& p, const std::wstring& d) override {
    if (dice_.Roll()) return Refused();
    return inner_.WriteString(p, d);
  }
  support::Result<std::vector<std::wstring>> ReadMultiString(const platform::RegPath& p) override {
    return inner_.ReadMultiString(p);
  }
  support::Result<std::uint64_t> ReadQword(const platform::RegPath& p) override {
    return inner_.ReadQword(p);
  }
  support::Status WriteMultiString(const platform::RegPath& p,
                                   const std::vector<std::wstring>& d) override {
    return inner_.WriteMultiString(p, d);
  }
  support::Status DeleteValue(const platform::RegPath& p) override {
    if (dice_.Roll()) return Refused();
    return inner_.DeleteValue(p);
  }
  support::Status DeleteTree(platform::Hive h, const std::wstring& k) override {
    return inner_.DeleteTree(h, k);
  }
  bool KeyExists(platform::Hive h, const std::wstring& k) override {
    return inner_.KeyExists(h, k);
  }
  support::Result<std::vector<std::wstring>> ListSubkeys(platform::Hive h,
                                                         const std::wstring& k) override {
    return inner_.ListSubkeys(h, k);
  }

 private:
  platform::Registry& inner_;
  FaultDice& dice_;
};

class FaultyPower final : public platform::Power {
 public:
  FaultyPower(platform::Power& inner, FaultDice& dice) : inner_(inner), dice_(dice) {}
  support::Result<std::vector<platform::ProcessorPower>> ProcessorInformation(
      std::uint32_t count) override {
    return inner_.ProcessorInformation(count);
  }
  support::Result<support::Guid> ActiveScheme() override {
    if (dice_.Roll()) return Refused();
    return inner_.ActiveScheme();
  }
  support::Status SetActiveScheme(const support::Guid& s) override {
    if (dice_.Roll()) return Refused();
    return inner_.SetActiveScheme(s);
  }
  support::Result<std::uint32_t> ReadValueIndex(const support::Guid& s, const support::Guid& g,
                                                const support::Guid& v,
                                                platform::PowerSource src) override {
    if (dice_.Roll()) return Refused();
    return inner_.ReadValueIndex(s, g, v, src);
  }
  support::Status WriteValueIndex(const support::Guid& s, const support::Guid& g,
                                  const support::Guid& v, platform::PowerSource src,
                                  std::uint32_t value) override {
    if (dice_.Roll()) return Refused();
    return inner_.WriteValueIndex(s, g, v, src, value);
  }
  support::Status WriteSettingAttributes(const support::Guid& g, const support::Guid& v,
                                         std::uint32_t a) override {
    if (dice_.Roll()) return Refused();
    return inner_.WriteSettingAttributes(g, v, a);
  }
  support::Result<std::vector<support::Guid>> EnumerateSchemes() override {
    return inner_.EnumerateSchemes();
  }

 private:
  platform::Power& inner_;
  FaultDice& dice_;
};

// The simulated machine's ports with its registry and power behind the decorators.
inline platform::System SystemWith(platform::SimMachine& m, platform::Registry& registry,
                                   platform::Power& power) {
  return {m.clock,          m.console,       m.environment,    m.files,
          m.hardware,       m.instance_lock, m.timer,          power,
          m.processes,      registry,        m.services,       m.shell,
          m.system_restore, m.disk_cache,    m.driver_profile, m.network,
          m.hashing,        m.signature,     m.account,        m.desktop,
          m.shared_memory,  m.task_scheduler};
}
