// What the Windows contract suite cannot show for the sandboxed file system: files held
// open by other processes, injected faults, and the sandbox itself.
#include "platform/sim/files_sim.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace platform {
namespace {

using support::ErrorCode;

constexpr wchar_t kExe[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";

TEST(SimFilesTest, RunningExecutableCanBeReadAndMovedAsideButNotReplaced) {
  SimFiles files;
  files.Seed(kExe, "old");
  files.Seed(L"C:\\Users\\Player\\Downloads\\Veltrane.exe", "new");
  files.SetLock(kExe, FileLock::kInUse);

  struct Case {
    const char* name;
    support::Status status;
    std::uint32_t win32_error;
  };
  const Case kCases[] = {
      {"copy onto", files.Copy(L"C:\\Users\\Player\\Downloads\\Veltrane.exe", kExe, true), 32},
      {"write", files.WriteNew(kExe, "x"), 32},
      {"append", files.Append(kExe, "x"), 32},
      {"delete", files.Delete(kExe), 5},
      {"move onto", files.MoveReplace(L"C:\\Users\\Player\\Downloads\\Veltrane.exe", kExe), 5},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.status.ok());
    EXPECT_EQ(c.status.error().code, ErrorCode::kAccessDenied);
    EXPECT_EQ(c.status.error().win32_error, c.win32_error);
  }
  EXPECT_EQ(files.ReadAll(kExe).value_or(""), "old");

  // Renaming the running copy aside works, and the lock goes with it.
  const std::wstring aside = std::wstring(kExe) + L".old";
  ASSERT_TRUE(files.MoveReplace(kExe, aside).ok());
  EXPECT_TRUE(files.Copy(L"C:\\Users\\Player\\Downloads\\Veltrane.exe", kExe, false).ok());
  EXPECT_EQ(files.Delete(aside).error().code, ErrorCode::kAccessDenied);
  files.SetLock(aside, FileLock::kNone);
  EXPECT_TRUE(files.Delete(aside).ok());
}

TEST(SimFilesTest, ExclusiveLockKeepsEveryoneOut) {
  SimFiles files;
  files.Seed(L"C:\\ProgramData\\Veltrane\\Veltrane.log", "line");
  files.SetLock(L"c:\\programdata\\veltrane\\VELTRANE.LOG", FileLock::kExclusive);
  EXPECT_EQ(files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log").error().win32_error, 32u);
  EXPECT_EQ(
      files.Copy(L"C:\\ProgramData\\Veltrane\\Veltrane.log", L"C:\\x.log", false).error().code,
      ErrorCode::kAccessDenied);
}

TEST(SimFilesTest, FailNextHitsOnlyTheNamedOperationOnce) {
  SimFiles files;
  files.FailNext(FileOp::kMove, ErrorCode::kAccessDenied);
  files.FailNext(FileOp::kWrite, ErrorCode::kFailed, 112);  // ERROR_DISK_FULL
  ASSERT_TRUE(files.Append(L"C:\\a.txt", "a").ok());
  const auto write = files.WriteNew(L"C:\\b.txt", "b");
  ASSERT_FALSE(write.ok());
  EXPECT_EQ(write.error().win32_error, 112u);
  EXPECT_FALSE(files.Exists(L"C:\\b.txt"));
  const auto move = files.MoveReplace(L"C:\\a.txt", L"C:\\c.txt");
  ASSERT_FALSE(move.ok());
  EXPECT_EQ(move.error().win32_error, 5u);
  EXPECT_TRUE(files.Exists(L"C:\\a.txt"));
  EXPECT_TRUE(files.MoveReplace(L"C:\\a.txt", L"C:\\c.txt").ok());
}

TEST(SimFilesTest, PathsResolveLikeWindows) {
  SimFiles files;
  files.Seed(L"C:\\ProgramData\\Veltrane\\run.csv", "r");
  struct Case {
    const char* name;
    std::wstring path;
    bool exists;
  };
  const Case kCases[] = {
      {"forward slashes", L"c:/programdata/veltrane/RUN.csv", true},
      {"dot and dot-dot", L"C:\\ProgramData\\.\\x\\..\\Veltrane\\run.csv", true},
      {"doubled separators", L"C:\\\\ProgramData\\Veltrane\\\\run.csv", true},
      {"relative", L"ProgramData\\Veltrane\\run.csv", false},
      {"drive relative", L"C:ProgramData", false},
      {"other drive", L"D:\\ProgramData\\Veltrane\\run.csv", false},
      {"reserved character", L"C:\\ProgramData\\Veltrane\\run?.csv", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(files.Exists(c.path), c.exists);
  }
  EXPECT_EQ(files.WriteNew(L"relative.txt", "x").error().code, ErrorCode::kInvalidArgument);
  EXPECT_EQ(files.HostPath(L"c:\\PROGRAMDATA\\veltrane\\Run.CSV"),
            files.root() / "C" / "ProgramData" / "Veltrane" / "run.csv");
}

TEST(SimFilesTest, MovesDoNotCrossDrives) {
  SimFiles files;
  files.SeedDirectory(L"D:\\Drivers");
  files.Seed(L"C:\\a.txt", "a");
  const auto move = files.MoveReplace(L"C:\\a.txt", L"D:\\Drivers\\a.txt");
  ASSERT_FALSE(move.ok());
  EXPECT_EQ(move.error().win32_error, 17u);  // ERROR_NOT_SAME_DEVICE
  EXPECT_TRUE(files.Copy(L"C:\\a.txt", L"D:\\Drivers\\a.txt", false).ok());
}

TEST(SimFilesTest, SandboxStartsLikeWindowsAndIsRemovedAfterwards) {
  std::filesystem::path root;
  {
    SimFiles files;
    root = files.root();
    EXPECT_TRUE(files.IsDirectory(L"C:\\Windows\\System32"));
    EXPECT_TRUE(files.CreateDirectory(L"C:\\ProgramData\\Veltrane").ok());
    EXPECT_TRUE(std::filesystem::is_directory(root / "C" / "ProgramData" / "Veltrane"));
  }
  EXPECT_FALSE(std::filesystem::exists(root));
}

}  // namespace
}  // namespace platform
