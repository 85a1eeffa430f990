// Saving the scanned curve edits profile 1 in place, keeps the user's old one, and says
// so only when the scan really wrote something new.
#include "afterburner/profile_file.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"

namespace {

TEST(CopyStartupToProfile1Test, ReplacesOnlyProfile1) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case kCases[] = {
      {"CR LF, other sections and order kept",
       "[Startup]\r\nVFCurve=NEW\r\nCoreClkBoost=105000\r\n[Profile1]\r\nVFCurve=OLD\r\n[Profile2]"
       "\r\nX=1\r\n",
       "[Startup]\r\nVFCurve=NEW\r\nCoreClkBoost=105000\r\n[Profile1]\r\nVFCurve=NEW\r\n"
       "CoreClkBoost=105000\r\n[Profile2]\r\nX=1\r\n"},
      {"LF file, Profile1 missing: added at the end", "[Defaults]\nA=1\n[Startup]\nVFCurve=NEW",
       "[Defaults]\nA=1\n[Startup]\nVFCurve=NEW\n[Profile1]\nVFCurve=NEW\n"},
      {"Profile1 header as the last line", "[Startup]\r\nVFCurve=NEW\r\n[Profile1]",
       "[Startup]\r\nVFCurve=NEW\r\n[Profile1]\r\nVFCurve=NEW\r\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CopyStartupToProfile1(c.text), c.expected);
  }
}

class SaveScannedProfileTest : public SimMachineTest {
 protected:
  const std::wstring path_ = L"C:\\AB\\Profiles\\VEN_10DE&DEV_2786.cfg";
  const std::string before_ =
      "[Startup]\r\nVFCurve=OLD\r\n[Profile1]\r\nCoreClkBoost=50000\r\nVFCurve=USER\r\n";
};

TEST_F(SaveScannedProfileTest, MessageShowsSignedBoostsInMhz) {
  struct Case {
    const char* name;
    std::string startup;
    std::wstring message;
  };
  const Case kCases[] = {
      {"core +105, memory 0", "CoreClkBoost=105000\r\nMemClkBoost=0\r\n",
       L"Saved the scanned curve as profile 1 and as the current startup settings (core +105 MHz, "
       L"memory 0 MHz). Profile 1 is applied now and at every logon."},
      {"negative memory", "CoreClkBoost=0\r\nMemClkBoost=-250000\r\n",
       L"Saved the scanned curve as profile 1 and as the current startup settings (core 0 MHz, "
       L"memory -250 MHz). Profile 1 is applied now and at every logon."},
      {"no boosts", "",
       L"Saved the scanned curve as profile 1 and as the current startup settings. Profile 1 is "
       L"applied now and at every logon."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.files.Seed(path_, "[Startup]\r\nVFCurve=NEW\r\n" + c.startup +
                                   "[Profile1]\r\nCoreClkBoost=50000\r\nVFCurve=USER\r\n");
    EXPECT_EQ(SaveScannedProfile(path_, before_), c.message);
  }
  EXPECT_EQ(machine_.files.ReadAll(path_ + L".bak").value(),
            "[Startup]\r\nVFCurve=NEW\r\n[Profile1]\r\nCoreClkBoost=50000\r\nVFCurve=USER\r\n");
}

TEST_F(SaveScannedProfileTest, NothingNewOrAFailedWriteIsAFailure) {
  machine_.files.Seed(path_, before_);
  EXPECT_EQ(SaveScannedProfile(path_, before_), std::nullopt);  // the scan changed nothing
  EXPECT_FALSE(machine_.files.Exists(path_ + L".bak"));
  EXPECT_EQ(SaveScannedProfile(L"", before_), std::nullopt);
  // Without its backup the user's own profile 1 would be lost: no backup, no edit.
  for (const platform::FileOp failing : {platform::FileOp::kMove, platform::FileOp::kCopy}) {
    SCOPED_TRACE(static_cast<int>(failing));
    const std::string scanned = "[Startup]\r\nVFCurve=NEW\r\n[Profile1]\r\nVFCurve=USER\r\n";
    machine_.files.Seed(path_, scanned);
    machine_.files.FailNext(failing, support::ErrorCode::kAccessDenied);
    EXPECT_EQ(SaveScannedProfile(path_, before_), std::nullopt);
    EXPECT_EQ(machine_.files.ReadAll(path_).value(), scanned);
  }
}

}  // namespace
