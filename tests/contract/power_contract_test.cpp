// Power: the processor readings both machines give, and the plan list, which a system
// without the plan calls (Wine's stubs) refuses as unsupported rather than as a failure:
// uninstall tells "nothing was ever recorded" from "records may be hidden" by it. The other
// scheme calls are not here: Wine fails PowerGetActiveScheme, which the sim's unit users
// cover instead.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/hardware.h"
#include "platform/power.h"

namespace {

TEST(PowerContract, OneProcessorRecordPerLogicalProcessor) {
  auto& sys = contract::ContractSystem();
  const std::uint32_t count = sys.hardware.LogicalProcessorCount();
  ASSERT_GE(count, 1u);
  auto reading = sys.power.ProcessorInformation(count);
  ASSERT_TRUE(reading.ok());
  ASSERT_EQ(reading->size(), count);
  for (const platform::ProcessorPower& p : *reading) EXPECT_GT(p.max_mhz, 0u);
}

TEST(PowerContract, PlanListIsWholeOrUnsupported) {
  const platform::PowerSchemeList list = contract::ContractSystem().power.EnumerateSchemes();
  if (list.complete) {
    EXPECT_FALSE(list.schemes.empty());
  } else {
    EXPECT_EQ(list.complete.error().code, support::ErrorCode::kUnsupported);
    EXPECT_TRUE(list.schemes.empty());
  }
}

}  // namespace
