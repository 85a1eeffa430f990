// Afterburner's control mapping is another program's memory: the reader bounds every
// field by the mapped size and refuses identifiers that could name another file.
#include "afterburner/control_memory.h"

#include <gtest/gtest.h>

#include "afterburner/pci_card.h"
#include "platform/sim/afterburner_sim.h"
#include "unit/app/sim_fixture.h"

namespace {

std::string Word(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

// A mapping with header size 40 and one 3760-byte entry per identifier (in use unless
// the identifier starts with '-').
std::string Mapping(std::vector<std::string> ids, std::uint32_t signature = 0x4D41434D,
                    std::uint32_t header = 40, std::uint32_t entry = 3760, int count = -1) {
  std::string m(40 + ids.size() * 3760, '\0');
  m.replace(0, 4, Word(signature));
  m.replace(8, 4, Word(header));
  m.replace(12, 4, Word(count < 0 ? static_cast<std::uint32_t>(ids.size()) : count));
  m.replace(16, 4, Word(entry));
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const std::size_t at = 40 + i * 3760;
    const bool unused = !ids[i].empty() && ids[i][0] == '-';
    if (!unused) m.replace(at + 316, 4, Word(1));
    const std::string id = unused ? ids[i].substr(1) : ids[i];
    m.replace(at + 3536, std::min<std::size_t>(id.size(), 224), id.substr(0, 224));
  }
  return m;
}

TEST(ControlMemoryTest, IdentifierOnlyFromAWellFormedMapping) {
  const std::string nv = "VEN_10DE&DEV_2786&SUBSYS_1";
  struct Case {
    const char* name;
    std::string mapping;
    std::wstring id;
  };
  const Case kCases[] = {
      {"one NVIDIA entry", Mapping({nv}), L"VEN_10DE&DEV_2786&SUBSYS_1"},
      {"prefers the card's device", Mapping({"VEN_10DE&DEV_1111", nv}),
       L"VEN_10DE&DEV_2786&SUBSYS_1"},
      {"else the first NVIDIA entry", Mapping({"VEN_1002&DEV_73BF", "VEN_10DE&DEV_1111"}),
       L"VEN_10DE&DEV_1111"},
      {"an entry not in use does not count", Mapping({"-" + nv}), L""},
      {"bad signature", Mapping({nv}, 0x12345678), L""},
      {"header size 35", Mapping({nv}, 0x4D41434D, 35), L""},
      {"entry size not 3760", Mapping({nv}, 0x4D41434D, 40, 3000), L""},
      {"count beyond the mapping", Mapping({nv}, 0x4D41434D, 40, 3760, 2), L""},
      {"huge count does not overflow", Mapping({nv}, 0x4D41434D, 40, 3760, 0x7FFFFFFF), L""},
      {"header beyond the mapping", Mapping({nv}, 0x4D41434D, 0xFFFFFF00, 3760, 0), L""},
      {"more entries than Afterburner keeps", Mapping(std::vector<std::string>(65, nv)), L""},
      {"too short for the header", std::string("MCAM"), L""},
      {"unterminated text stops at 220 bytes", Mapping({"VEN_10DE" + std::string(230, 'A')}),
       L"VEN_10DE" + std::wstring(212, L'A')},
      {"path characters refused", Mapping({"VEN_10DE\\..\\..\\evil"}), L""},
      {"colon refused", Mapping({"VEN_10DE:stream"}), L""},
      {"dot-dot refused", Mapping({"VEN_10DE.."}), L""},
      {"non-ASCII refused", Mapping({"VEN_10DE\xC3\xA9"}), L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FindGpuIdentifier(c.mapping, L"2786"), c.id);
  }
}

class ApplyCurveTest : public SimMachineTest {
 protected:
  void SetUp() override {
    sim_.Install(L"C:\\AB", "", "");
    ASSERT_TRUE(machine_.processes.Start(L"\"C:\\AB\\MSIAfterburner.exe\"", L"", false).ok());
    window_ = machine_.desktop.TopLevelWindows().at(0).handle;
  }
  platform::SimAfterburner sim_{machine_};
  platform::WindowHandle window_ = 0;
  PciECard card_{L"NVIDIA GeForce RTX 4070", 1, true, L"2786", 0};
};

TEST_F(ApplyCurveTest, TakenCommandIsConfirmed) {
  std::wstring id;
  EXPECT_TRUE(ApplyExportedCurve(card_, window_, id));
  EXPECT_TRUE(sim_.CommandTaken());
  EXPECT_EQ(id, L"VEN_10DE&DEV_2786&SUBSYS_88881043&REV_A1");
  EXPECT_FALSE(machine_.shared_memory.IsLockedHere(L"Global\\Access_MACMSharedMemory"));
}

TEST_F(ApplyCurveTest, MutexTimeOutWritesNothingAndIgnoredCommandEndsInBoundedTime) {
  std::wstring id;
  machine_.shared_memory.HoldElsewhere(L"Global\\Access_MACMSharedMemory", true);
  const std::string before = machine_.shared_memory.Bytes(L"MACMSharedMemory");
  EXPECT_FALSE(ApplyExportedCurve(card_, window_, id));
  EXPECT_EQ(machine_.shared_memory.Bytes(L"MACMSharedMemory"), before);
  machine_.shared_memory.HoldElsewhere(L"Global\\Access_MACMSharedMemory", false);
  sim_.afterburner.takesCommand = false;
  const std::uint64_t start = machine_.clock.TickCount64();
  EXPECT_FALSE(ApplyExportedCurve(card_, window_, id));
  // 80 checks 250 ms apart; Sleep wakes on the default 15.6 ms timer tick.
  const std::uint64_t waited = machine_.clock.TickCount64() - start;
  EXPECT_GE(waited, 80u * 250u);
  EXPECT_LE(waited, 80u * 266u);
}

TEST_F(ApplyCurveTest, MappingMadeFirstByAnotherProgramIsNeitherReadNorWritten) {
  machine_.shared_memory.CloseMapping(L"MACMSharedMemory");
  const std::string squatted = Mapping({"VEN_10DE&DEV_2786&EVIL"}) + std::string(1 << 20, '\0');
  machine_.shared_memory.CreateMapping(L"MACMSharedMemory", squatted, false);
  std::wstring id;
  EXPECT_TRUE(ControlMemoryIsForeign());
  EXPECT_EQ(ReadGpuIdentifier(L"2786"), L"");
  EXPECT_FALSE(ApplyExportedCurve(card_, window_, id));
  EXPECT_EQ(id, L"");
  EXPECT_EQ(machine_.shared_memory.Bytes(L"MACMSharedMemory"), squatted);
}

}  // namespace
