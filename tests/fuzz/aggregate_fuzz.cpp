// aggregate-master.csv comes from disk and may be damaged or hand-edited: whatever loads
// must be finite, keyed by its interval, and survive a write and a second read unchanged.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "measure/aggregate_master.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const AggregateMaster master = ParseAggregate(bytes);
  for (const auto& [requested, e] : master) {
    if (requested == 0 || e.requested != requested) __builtin_trap();
    if (e.loop_w < 0 || e.idle_w < 0 || e.score_w < 0) __builtin_trap();
    for (double v : {e.loop_w, e.idle_w, e.score_w, e.loop_median_s, e.score_s}) {
      if (!std::isfinite(v)) __builtin_trap();
    }
  }
  const std::string written = FormatAggregate(master);
  const AggregateMaster again = ParseAggregate(written);
  if (again.size() != master.size() || FormatAggregate(again) != written) __builtin_trap();
  return 0;
}
