// SimPower: power schemes with setting values, and processor clock readings.
//
// Starts with the three schemes a desktop Windows has (Balanced active, High Performance,
// Ultimate Performance); a setting that was never written reads as kNotFound, which is
// what Windows gives for a setting the scheme does not carry. Processor readings come from
// a queue: each ProcessorInformation call takes the next one and the last one repeats, so
// a test states "idle, then busy" directly.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/power.h"
#include "platform/sim/fault_queue.h"

namespace platform {

enum class PowerOp {
  kProcessorInformation,
  kActiveScheme,
  kSetActive,
  kRead,
  kWrite,
  kAttributes,
  kEnumerate,
};

class SimPower final : public Power {
 public:
  static constexpr support::Guid kBalanced{
      0x381b4222, 0xf694, 0x41f0, {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e}};
  static constexpr support::Guid kHighPerformance{
      0x8c5e7fda, 0xe8bf, 0x4a96, {0x9a, 0x85, 0xa6, 0xe2, 0x3a, 0x8c, 0x63, 0x5c}};
  static constexpr support::Guid kUltimatePerformance{
      0xe9a42b02, 0xd5df, 0x448d, {0xaa, 0x00, 0x03, 0xa2, 0x19, 0x24, 0x83, 0xd7}};

  SimPower();

  support::Result<std::vector<ProcessorPower>> ProcessorInformation(std::uint32_t count) override;
  support::Result<support::Guid> ActiveScheme() override;
  support::Status SetActiveScheme(const support::Guid& scheme) override;
  support::Result<std::uint32_t> ReadValueIndex(const support::Guid& scheme,
                                                const support::Guid& subgroup,
                                                const support::Guid& setting,
                                                PowerSource source) override;
  support::Status WriteValueIndex(const support::Guid& scheme, const support::Guid& subgroup,
                                  const support::Guid& setting, PowerSource source,
                                  std::uint32_t value) override;
  support::Status WriteSettingAttributes(const support::Guid& subgroup,
                                         const support::Guid& setting,
                                         std::uint32_t attributes) override;
  PowerSchemeList EnumerateSchemes() override;

  // --- Test controls ---
  void FailNext(PowerOp op, support::ErrorCode code, std::uint32_t win32_error = 0);
  // The next enumeration lists `listed` schemes, then fails with `code`.
  void FailEnumerationAfter(std::size_t listed, support::ErrorCode code);
  // Every processor at `current_mhz` of `max_mhz`, queued as the next reading.
  void QueueReading(std::uint32_t processors, std::uint32_t current_mhz, std::uint32_t max_mhz);
  // One reading with a record per processor, queued.
  void QueueReading(std::vector<ProcessorPower> reading);
  void Seed(const support::Guid& scheme, const support::Guid& subgroup,
            const support::Guid& setting, PowerSource source, std::uint32_t value);
  // Removes a scheme (a SKU without Ultimate Performance); true when it existed.
  bool RemoveScheme(const support::Guid& scheme);
  // Adds an empty scheme (what powercfg /duplicatescheme makes).
  void AddScheme(const support::Guid& scheme);
  bool HasScheme(const support::Guid& scheme);
  // A setting Windows hides: its attributes carry bit 0 until unhidden.
  void Hide(const support::Guid& subgroup, const support::Guid& setting);
  bool IsHidden(const support::Guid& subgroup, const support::Guid& setting);
  // Removes one value (a scheme that does not carry the setting).
  void Erase(const support::Guid& scheme, const support::Guid& subgroup,
             const support::Guid& setting, PowerSource source);
  // Every value of every scheme, for before/after comparisons.
  std::map<std::tuple<std::wstring, std::wstring, std::wstring, PowerSource>, std::uint32_t>
  Values();

 private:
  using Key = std::tuple<std::wstring, std::wstring, std::wstring, PowerSource>;

  std::mutex mutex_;
  std::set<std::wstring> schemes_;  // GuidText of each scheme
  support::Guid active_;
  std::map<Key, std::uint32_t> values_;
  std::map<std::pair<std::wstring, std::wstring>, std::uint32_t> attributes_;
  std::deque<std::vector<ProcessorPower>> readings_;
  bool default_reading_ = true;
  sim::FaultQueue<PowerOp> faults_;
  std::size_t listed_before_fault_ = 0;
};

}  // namespace platform
