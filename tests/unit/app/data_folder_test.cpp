// The data folder the SYSTEM service reads: who makes it, and what an elevated process
// does with one it did not make.
#include "app/data_folder.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "sim_fixture.h"

namespace {

const std::wstring kFolder = L"C:\\ProgramData\\Veltrane";

class DataFolderTest : public SimMachineTest {};

TEST_F(DataFolderTest, ElevatedMakesItProtectedAndMendsOrRefusesAForeignOne) {
  enum class Found { kNothing, kOurs, kLink, kForeign };
  struct Case {
    const char* name;
    bool elevated;
    Found found;
    bool protect_fails;
    const wchar_t* refusal;  // nullptr: usable
    bool protected_after;
  };
  const Case kCases[] = {
      {"elevated makes a missing folder, protected", true, Found::kNothing, false, nullptr, true},
      {"unelevated never makes it", false, Found::kNothing, false, L"does not exist yet", false},
      {"a folder of ours is used as it is", true, Found::kOurs, false, nullptr, false},
      {"a link is refused", true, Found::kLink, false, L"is a link to another place", false},
      {"another user's folder is re-secured", true, Found::kForeign, false, nullptr, true},
      {"one that cannot be re-secured is refused", true, Found::kForeign, true,
       L"belongs to another user and could not be secured (error 5)", false},
      {"unelevated uses it with the user's own rights", false, Found::kForeign, false, nullptr,
       false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.environment.SetElevated(c.elevated);
    if (c.found != Found::kNothing) machine.files.SeedDirectory(kFolder);
    if (c.found == Found::kLink) machine.files.SetFolderTrust(kFolder, {true, true});
    if (c.found == Found::kForeign) machine.files.SetFolderTrust(kFolder, {false, false});
    for (int call = 0; c.protect_fails && call < 2; ++call) {
      machine.files.FailNext(platform::FileOp::kProtect, support::ErrorCode::kAccessDenied);
    }
    const std::wstring refusal = PrepareDataFolder(kFolder);
    if (c.refusal == nullptr) {
      EXPECT_EQ(refusal, L"");
    } else {
      EXPECT_NE(refusal.find(c.refusal), std::wstring::npos) << support::ToUtf8(refusal);
    }
    EXPECT_EQ(machine.files.IsProtected(kFolder), c.protected_after);
    // The log follows the same rule: no line where the folder may not be used.
    AppendLog(L"a line");
    EXPECT_EQ(machine.files.Exists(kFolder + L"\\Veltrane.log"), c.refusal == nullptr);
  }
}

}  // namespace
