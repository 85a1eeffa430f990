// The scanned card: NVIDIA before AMD, the larger memory within a vendor, never
// integrated graphics.
#include "afterburner/pci_card.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kGiB = 1ull << 30;

TEST(SelectPciECardTest, PicksTheDiscreteCard) {
  const PciECard uhd{L"Intel(R) UHD Graphics 770", 3, false, L"4680", kGiB};
  const PciECard arc{L"Intel(R) Arc(TM) A770 Graphics", 3, true, L"56A0", 16 * kGiB};
  const PciECard apu{L"AMD Radeon(TM) Graphics", 2, false, L"164E", 2 * kGiB};
  const PciECard rx{L"AMD Radeon RX 7900 XTX", 2, true, L"744C", 24 * kGiB};
  const PciECard rx_small{L"AMD Radeon RX 6600", 2, true, L"73FF", 8 * kGiB};
  const PciECard rtx{L"NVIDIA GeForce RTX 4070", 1, true, L"2786", 12 * kGiB};
  const PciECard gtx{L"NVIDIA GeForce GTX 1650", 1, true, L"1F82", 4 * kGiB};
  struct Case {
    const char* name;
    std::vector<PciECard> adapters;
    std::wstring chosen;
  };
  const Case kCases[] = {
      {"none", {}, L""},
      {"integrated only", {uhd, apu}, L""},
      {"Arc is Intel, never scanned", {arc}, L""},
      {"laptop: Intel and GeForce", {uhd, gtx}, L"NVIDIA GeForce GTX 1650"},
      {"NVIDIA before a bigger AMD", {rx, gtx}, L"NVIDIA GeForce GTX 1650"},
      {"larger memory within NVIDIA", {gtx, rtx}, L"NVIDIA GeForce RTX 4070"},
      {"larger memory within AMD", {rx_small, apu, rx}, L"AMD Radeon RX 7900 XTX"},
      {"APU alone", {apu}, L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SelectPciECard(c.adapters).name, c.chosen);
  }
}

}  // namespace
