// The property the backups exist for: apply every tuning step on a random machine, with
// faults and cancellations injected anywhere, then uninstall, half the time first with
// faults of its own (what a failed restore leaves, a second uninstall puts back); every
// value is back to what it was. Not compared, because uninstall does not revert them: the
// per-user copies of the GPU values, hibernate, TRIM, last access, the pagefile, the disks'
// write cache, the visibility of unhidden power settings, power schemes the plan switch
// added, and values that did not exist before (nothing was recorded for them, so they hold
// their target).
//
// VELTRANE_PROPERTY_MACHINES and VELTRANE_PROPERTY_FIRST_SEED run a longer or other series
// (the count is split over the four shards).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>

#include "app/thread_context.h"
#include "faulty_ports.h"
#include "platform/sim/sim_machine.h"
#include "service/uninstall.h"
#include "support/guid_parse.h"
#include "tweaks/cpu_tune.h"
#include "tweaks/gpu_catalogue.h"
#include "tweaks/gpu_config.h"
#include "tweaks/gpu_probe.h"
#include "tweaks/ppm_catalogue.h"
#include "tweaks/small_step_catalogue.h"
#include "tweaks/small_steps.h"
#include "unit/app/recording_feed.h"

namespace {

using platform::PowerSource;

std::uint32_t EnvNumber(const char* name, std::uint32_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

// A feed that starts answering "cancelled" after a number of polls.
class CancellingFeed : public RecordingFeed {
 public:
  explicit CancellingFeed(int after) : after_(after) {}
  bool IsCancelled() override { return ++polls_ > after_; }

 private:
  int after_;
  int polls_ = 0;
};

std::wstring Format4(std::uint32_t index) {
  wchar_t text[8];
  std::swprintf(text, 8, L"%04u", index);
  return text;
}

struct Adapter {
  const wchar_t* provider;
  const wchar_t* description;
  std::uint32_t vendor;
};
constexpr Adapter kAdapters[] = {
    {L"NVIDIA", L"NVIDIA GeForce RTX 4070", kVendorNvidia},
    {L"Advanced Micro Devices, Inc.", L"AMD Radeon RX 7800 XT", kVendorAmd},
    {L"Intel Corporation", L"Intel(R) UHD Graphics 770", kAnyVendor},
};

class Machine {
 public:
  explicit Machine(std::uint32_t seed)
      : rng_(seed),
        dice_(rng_),
        registry_(sim_.registry, dice_),
        power_(sim_.power, dice_),
        system_(SystemWith(sim_, registry_, power_)) {
    sim_.tools.Install();
  }

  platform::SimMachine& sim() { return sim_; }
  platform::System& system() { return system_; }
  std::mt19937& rng() { return rng_; }
  FaultDice& dice() { return dice_; }
  bool Coin(double p) { return std::uniform_real_distribution<>(0, 1)(rng_) < p; }
  std::uint32_t Pick(std::uint32_t below) {
    return std::uniform_int_distribution<std::uint32_t>(0, below - 1)(rng_);
  }

 private:
  platform::SimMachine sim_;
  std::mt19937 rng_;
  FaultDice dice_;
  FaultyRegistry registry_;
  FaultyPower power_;
  platform::System system_;
};

// A registry value that is there, absent, or of another type.
void SeedValue(Machine& m, const platform::RegPath& path) {
  const std::uint32_t kind = m.Pick(5);
  if (kind < 2) m.sim().registry.Seed(path, m.Pick(10));
  if (kind == 4) m.sim().registry.SeedBinary(path);
}

void SeedPower(Machine& m) {
  auto& power = m.sim().power;
  if (m.Coin(0.25)) power.RemoveScheme(platform::SimPower::kUltimatePerformance);
  auto tools = m.sim().tools.state();
  tools.ultimate_template = m.Coin(0.5);
  tools.mm_agent = m.Coin(0.85);
  tools.memory_compression = m.Coin(0.5);
  m.sim().tools.SetState(tools);
  const auto schemes = *power.EnumerateSchemes();
  (void)power.SetActiveScheme(schemes[m.Pick(static_cast<std::uint32_t>(schemes.size()))]);
  for (auto catalogue : {PpmCatalogue(), StoragePowerCatalogue()}) {
    for (const PowerTweak& tweak : catalogue) {
      if (m.Coin(0.2)) power.Hide(tweak.subgroup, tweak.setting);
      for (const support::Guid& scheme : schemes) {
        for (PowerSource source : {PowerSource::kAc, PowerSource::kDc}) {
          if (m.Coin(0.8)) power.Seed(scheme, tweak.subgroup, tweak.setting, source, m.Pick(101));
        }
      }
    }
  }
}

void SeedGraphics(Machine& m) {
  auto& sim = m.sim();
  bool nvidia = false;
  std::uint32_t index = 0;
  for (std::uint32_t n = m.Pick(4); n > 0; --n) {
    index += 1 + m.Pick(2);
    const Adapter& adapter = kAdapters[m.Pick(3)];
    const std::wstring key = std::wstring(kDisplayClassKey) + L"\\" + Format4(index);
    sim.registry.Seed({platform::Hive::kLocalMachine, key, L"DriverDesc"}, adapter.description);
    sim.registry.Seed({platform::Hive::kLocalMachine, key, L"ProviderName"}, adapter.provider);
    nvidia = nvidia || adapter.vendor == kVendorNvidia;
    for (const GraphicsTweak& tweak : GpuCatalogue()) {
      if (tweak.perAdapter) SeedValue(m, {platform::Hive::kLocalMachine, key, tweak.valueName});
    }
  }
  for (const GraphicsTweak& tweak : GpuCatalogue()) {
    if (tweak.kind == kGraphicsRegistry && !tweak.perAdapter) {
      SeedValue(m, {platform::Hive::kLocalMachine, tweak.keyPath, tweak.valueName});
    }
  }
  SeedValue(m,
            {platform::Hive::kLocalMachine,
             L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel", L"ThreadDpcEnable"});
  if (nvidia && m.Coin(0.7)) {
    std::map<std::uint32_t, std::uint32_t> settings;
    for (const GraphicsTweak& tweak : GpuCatalogue()) {
      if (tweak.kind == kGraphicsProfile) settings[tweak.profileSettingId] = m.Pick(4);
    }
    sim.driver_profile.Install(settings);
  }
  for (const wchar_t* name : {L"SysMain", L"NvTelemetryContainer"}) {
    if (m.Coin(0.3)) continue;
    const std::uint32_t start = 2 + m.Pick(3);
    sim.services.Seed(name, {name, L"svchost.exe", static_cast<platform::ServiceStartType>(start)},
                      platform::ServiceRunState::kRunning);
  }
}

void InjectFaults(Machine& m) {
  m.dice().rate = std::vector<double>{0.0, 0.0, 0.01, 0.04, 0.15}[m.Pick(5)];
  for (const wchar_t* needle :
       {L"/setacvalueindex", L"/setdcvalueindex", L"/setactive e9", L"/setactive 8c",
        L"/duplicatescheme", L"-h off", L"DisableDeleteNotify", L"Get-MMAgent", L"Disable-MMAgent",
        L"AutomaticManagedPagefile=True"}) {
    if (m.Coin(0.1)) m.sim().tools.FailCommand(needle, 1, m.Coin(0.5) ? 0 : 30000);
  }
  auto& services = m.sim().services;
  if (m.Coin(0.15))
    services.FailNext(platform::ServiceOp::kChangeConfig, support::ErrorCode::kAccessDenied);
  if (m.Coin(0.1))
    services.FailNext(platform::ServiceOp::kQueryConfig, support::ErrorCode::kFailed);
  if (m.Coin(0.05))
    services.FailNext(platform::ServiceOp::kOpen, support::ErrorCode::kAccessDenied);
  auto& profile = m.sim().driver_profile;
  if (m.Coin(0.1)) profile.FailNext(platform::ProfileOp::kSet, support::ErrorCode::kFailed);
  if (m.Coin(0.1)) profile.FailNext(platform::ProfileOp::kGet, support::ErrorCode::kFailed);
  if (m.Coin(0.05)) profile.FailNext(platform::ProfileOp::kOpen, support::ErrorCode::kFailed);
  if (m.Coin(0.05)) profile.FailNext(platform::ProfileOp::kSave, support::ErrorCode::kFailed);
}

// Faults on the way back. A restore that fails must keep the product key and its records,
// so that a later uninstall still brings every value back.
void InjectUninstallFaults(Machine& m) {
  m.dice().rate = std::vector<double>{0.0, 0.01, 0.04, 0.15}[m.Pick(4)];
  for (const wchar_t* needle : {L"/setactive", L"Enable-MMAgent", L"DisableDeleteNotify"}) {
    if (m.Coin(0.1)) m.sim().tools.FailCommand(needle, 1, 0);
  }
  if (m.Coin(0.15)) {
    m.sim().services.FailNext(platform::ServiceOp::kChangeConfig,
                              support::ErrorCode::kAccessDenied);
  }
  if (m.Coin(0.1)) {
    m.sim().driver_profile.FailNext(platform::ProfileOp::kSet, support::ErrorCode::kFailed);
  }
}

void ClearFaults(Machine& m) {
  m.dice().armed = false;
  m.sim().tools.ClearFailures();
  m.sim().services.ClearFaults();
  m.sim().driver_profile.ClearFaults();
}

void ApplyEverything(Machine& m) {
  std::optional<CancellingFeed> feed;
  if (m.Coin(0.2)) feed.emplace(static_cast<int>(m.Pick(80)));
  ScopedFeed bound(feed ? &*feed : nullptr);
  (void)ApplyCpuTune();
  (void)ApplyGpuConfig();
  (void)ApplyMemory();
  (void)ApplyStorage();
}

struct Picture {
  std::map<std::wstring, std::wstring> registry;
  std::map<std::tuple<std::wstring, std::wstring, std::wstring, PowerSource>, std::uint32_t> power;
  std::wstring active;
  std::map<std::wstring, std::uint32_t> startTypes;
  std::map<std::uint32_t, std::uint32_t> profile;
  bool compression = false;
};

Picture Take(platform::SimMachine& sim) {
  Picture p;
  p.registry = sim.registry.Snapshot();
  p.power = sim.power.Values();
  p.active = support::GuidText(*sim.power.ActiveScheme());
  for (const wchar_t* name : {L"SysMain", L"NvTelemetryContainer"}) {
    if (auto view = sim.services.Find(name)) {
      p.startTypes[name] = static_cast<std::uint32_t>(view->config.start_type);
    }
  }
  p.profile = sim.driver_profile.stored();
  p.compression = sim.tools.state().memory_compression;
  return p;
}

std::string ToNarrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Excluded(std::wstring path) {
  for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
  for (const wchar_t* prefix :
       {L"hkcu\\software\\microsoft\\windows\\currentversion\\gamedvr\\appcaptureenabled",
        L"hkcu\\software\\microsoft\\gamebar\\autogamemodeenabled",
        L"hklm\\system\\currentcontrolset\\control\\power\\powersettings\\"}) {
    if (path.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::optional<std::uint32_t> PowerTarget(const std::wstring& setting) {
  for (auto catalogue : {PpmCatalogue(), StoragePowerCatalogue()}) {
    for (const PowerTweak& tweak : catalogue) {
      if (support::GuidText(tweak.setting) == setting) return tweak.target;
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ProfileTarget(std::uint32_t id) {
  for (const GraphicsTweak& tweak : GpuCatalogue()) {
    if (tweak.kind == kGraphicsProfile && tweak.profileSettingId == id) return tweak.value;
  }
  return std::nullopt;
}

// Returns how many power values it compared.
int ExpectSame(const Picture& before, const Picture& after,
               const std::set<std::wstring>& oldSchemes) {
  int compared = 0;
  std::map<std::wstring, std::wstring> was, is;
  for (const auto& [k, v] : before.registry)
    if (!Excluded(k)) was[k] = v;
  for (const auto& [k, v] : after.registry)
    if (!Excluded(k)) is[k] = v;
  for (const auto& [k, v] : was) EXPECT_EQ(is.count(k) ? is[k] : L"(absent)", v) << ToNarrow(k);
  for (const auto& [k, v] : is) EXPECT_TRUE(was.count(k)) << ToNarrow(k) << " = " << ToNarrow(v);
  EXPECT_EQ(after.active, before.active);
  for (const auto& [key, value] : after.power) {
    if (!oldSchemes.count(std::get<0>(key))) continue;
    ++compared;
    const auto it = before.power.find(key);
    if (it != before.power.end()) {
      EXPECT_EQ(value, it->second) << std::get<2>(key).c_str();
    } else {
      EXPECT_EQ(std::optional<std::uint32_t>(value), PowerTarget(std::get<2>(key)));
    }
  }
  EXPECT_EQ(after.startTypes, before.startTypes);
  for (const auto& [id, value] : after.profile) {
    const auto it = before.profile.find(id);
    EXPECT_EQ(value, it != before.profile.end() ? it->second : ProfileTarget(id).value_or(~0u));
  }
  EXPECT_EQ(after.compression, before.compression);
  return compared;
}

// The fixed series, seeds 1 to 1000, in four shards so that they run side by side.
constexpr std::uint32_t kShards = 4;

class ApplyUninstallProperty : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(ApplyUninstallProperty, EveryRecordedValueComesBack) {
  const std::uint32_t count = EnvNumber("VELTRANE_PROPERTY_MACHINES", 1000) / kShards;
  const std::uint32_t first = EnvNumber("VELTRANE_PROPERTY_FIRST_SEED", 1) + GetParam() * count;
  int keptAfterFailedRestore = 0;
  for (std::uint32_t seed = first; seed < first + count; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    Machine m(seed);
    platform::ScopedSystem guard(m.system());
    CurrentThreadContext().dwellEnabled = false;
    SeedPower(m);
    SeedGraphics(m);
    const Picture before = Take(m.sim());
    // Held by value: a range-for over a member of the returned temporary reads freed memory.
    const auto schemesBefore = *m.sim().power.EnumerateSchemes();
    std::set<std::wstring> oldSchemes;
    for (const auto& scheme : schemesBefore) {
      oldSchemes.insert(support::GuidText(scheme));
    }
    InjectFaults(m);
    m.dice().armed = true;
    ApplyEverything(m);
    if (m.Coin(0.3)) ApplyEverything(m);
    ClearFaults(m);

    if (m.Coin(0.5)) {
      InjectUninstallFaults(m);
      m.dice().armed = true;
      (void)UninstallTimerService();
      ClearFaults(m);
      if (m.sim().registry.KeyExists(platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane")) {
        ++keptAfterFailedRestore;
      }
    }
    ASSERT_TRUE(UninstallTimerService());
    EXPECT_FALSE(m.sim().registry.KeyExists(platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane"));
    EXPECT_GT(ExpectSame(before, Take(m.sim()), oldSchemes), 0);
    if (::testing::Test::HasFailure()) {
      const auto log = m.sim().files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
      ADD_FAILURE() << (log ? std::string(log->begin(), log->end()) : std::string());
      break;
    }
  }
  // The faulty uninstalls really met failing restores, not only faults nothing noticed.
  if (count >= 100) EXPECT_GT(keptAfterFailedRestore, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ApplyUninstallProperty, ::testing::Range(0u, kShards));

}  // namespace
