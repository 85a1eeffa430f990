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
  enum class Found { kNothing, kOurs, kLink, kForeign, kUsersMayAdd };
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
      {"an earlier build's folder that lets users add files is re-secured", true,
       Found::kUsersMayAdd, false, nullptr, true},
      {"one that lets users add files and cannot be secured is refused", true, Found::kUsersMayAdd,
       true, L"lets other users change what is in it and could not be secured (error 5)", false},
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
    if (c.found == Found::kOurs) machine.files.SetFolderTrust(kFolder, {false, true, false});
    if (c.found == Found::kLink) machine.files.SetFolderTrust(kFolder, {true, true, false});
    if (c.found == Found::kForeign) machine.files.SetFolderTrust(kFolder, {false, false, false});
    if (c.found == Found::kUsersMayAdd) machine.files.SetFolderTrust(kFolder, {false, true, true});
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

// Re-securing takes back what another account put inside: its files become ours, its
// links go without what they point at being touched.
TEST_F(DataFolderTest, ReSecuringTakesBackWhatOthersPutInside) {
  platform::SimMachine machine;
  platform::ScopedSystem guard(machine.system());
  machine.files.Seed(kFolder + L"\\aggregate-master.csv", "planted");
  machine.files.SetFolderTrust(kFolder + L"\\aggregate-master.csv", {false, false, true});
  machine.files.Seed(L"C:\\Users\\Player\\keep.txt", "mine");
  machine.files.SeedLink(kFolder + L"\\runs", L"C:\\Users\\Player");
  ASSERT_EQ(PrepareDataFolder(kFolder), L"");
  const auto file = machine.files.QueryFolderTrust(kFolder + L"\\aggregate-master.csv");
  ASSERT_TRUE(file.ok());
  EXPECT_TRUE(file->Trusted());
  EXPECT_FALSE(machine.files.Exists(kFolder + L"\\runs"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\Player\\keep.txt"));
}

// Folders below the data folder are made level by level, each checked like the data
// folder; nothing outside it is made, and a run folder is always a new one.
TEST_F(DataFolderTest, ProtectedFoldersLieInTheDataFolderAndRunFoldersAreNew) {
  struct Case {
    const char* name;
    const wchar_t* folder;
    bool elevated;
    const wchar_t* refusal;  // nullptr: made
  };
  const Case kCases[] = {
      {"two new levels", L"C:\\ProgramData\\Veltrane\\drivers\\nvidia", true, nullptr},
      {"the data folder itself", L"C:\\ProgramData\\Veltrane", true, nullptr},
      {"a folder the user's environment chose", L"C:\\Users\\Player\\Veltrane\\drivers", true,
       L"is not inside the data folder"},
      {"a way out through ..", L"C:\\ProgramData\\Veltrane\\..\\Evil", true,
       L"is not inside the data folder"},
      {"a similar name beside it", L"C:\\ProgramData\\VeltraneX", true,
       L"is not inside the data folder"},
      {"unelevated", L"C:\\ProgramData\\Veltrane\\drivers", false, L"made only by an elevated run"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.environment.SetElevated(c.elevated);
    const std::wstring refusal = PrepareProtectedFolder(c.folder);
    if (c.refusal == nullptr) {
      EXPECT_EQ(refusal, L"");
      EXPECT_TRUE(machine.files.IsProtected(c.folder));
      EXPECT_TRUE(machine.files.IsProtected(kFolder));
    } else {
      EXPECT_NE(refusal.find(c.refusal), std::wstring::npos) << support::ToUtf8(refusal);
      EXPECT_FALSE(machine.files.Exists(c.folder));
    }
  }
  platform::SimMachine machine;
  platform::ScopedSystem guard(machine.system());
  const RunFolder first = CreateRunFolder(L"unpack");
  const RunFolder second = CreateRunFolder(L"unpack");
  ASSERT_EQ(first.refusal, L"");
  EXPECT_TRUE(first.path.starts_with(kFolder + L"\\unpack-"));
  EXPECT_EQ(first.path.size(), kFolder.size() + 24);
  EXPECT_NE(first.path, second.path);
  EXPECT_TRUE(machine.files.IsProtected(first.path));
  // Every name already taken: nothing of anyone else's is ever handed out.
  for (int i = 0; i < 16; ++i) {
    machine.files.FailNext(platform::FileOp::kCreateDirectory, support::ErrorCode::kAlreadyExists,
                           183);
  }
  const RunFolder none = CreateRunFolder(L"unpack");
  EXPECT_EQ(none.path, L"");
  EXPECT_NE(none.refusal.find(L"error 183"), std::wstring::npos);
}

}  // namespace
