// Files: the same assertions against the sim and the Win32 adapter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract/contract_system.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "support/utf.h"

namespace {

using support::ErrorCode;

class FilesContract : public ::testing::Test {
 protected:
  platform::Files& files_ = contract::ContractSystem().files;
  const std::wstring dir_ = contract::NewScratchFolder();

  std::wstring At(const std::wstring& name) const { return dir_ + L"\\" + name; }
  std::string Read(const std::wstring& name) { return files_.ReadAll(At(name)).value_or("<none>"); }
  void Put(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(files_.WriteNew(At(name), bytes).ok());
  }
};

TEST_F(FilesContract, WriteNewCreatesAndTruncates) {
  const std::string binary("a\0b\r\n\xff", 6);
  Put(L"data.bin", binary);
  EXPECT_EQ(Read(L"data.bin"), binary);
  Put(L"data.bin", "x");
  EXPECT_EQ(Read(L"data.bin"), "x");
  Put(L"empty.txt", "");
  EXPECT_EQ(Read(L"empty.txt"), "");
}

TEST_F(FilesContract, AppendCreatesThenAddsAtTheEnd) {
  ASSERT_TRUE(files_.Append(At(L"log.txt"), "one\r\n").ok());
  ASSERT_TRUE(files_.Append(At(L"log.txt"), "two\r\n").ok());
  EXPECT_EQ(Read(L"log.txt"), "one\r\ntwo\r\n");
}

TEST_F(FilesContract, MissingFilesAndFoldersAreNotFound) {
  struct Case {
    const char* name;
    std::wstring path;
    std::uint32_t win32_error;
  };
  const Case kCases[] = {
      {"missing file", At(L"nothing.txt"), 2},
      {"missing folder", At(L"no-folder\\nothing.txt"), 3},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto read = files_.ReadAll(c.path);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().code, ErrorCode::kNotFound);
    EXPECT_EQ(read.error().win32_error, c.win32_error);
    const auto removed = files_.Delete(c.path);
    ASSERT_FALSE(removed.ok());
    EXPECT_EQ(removed.error().code, ErrorCode::kNotFound);
    EXPECT_FALSE(files_.Exists(c.path));
  }
  const auto write = files_.WriteNew(At(L"no-folder\\new.txt"), "x");
  ASSERT_FALSE(write.ok());
  EXPECT_EQ(write.error().code, ErrorCode::kNotFound);
}

TEST_F(FilesContract, NamesIgnoreCaseButKeepTheirSpelling) {
  Put(L"Report.CSV", "r");
  EXPECT_TRUE(files_.Exists(At(L"report.csv")));
  EXPECT_EQ(Read(L"REPORT.csv"), "r");
  Put(L"report.csv", "s");  // the same file, not a second one
  EXPECT_EQ(files_.List(dir_, L"*"), std::vector<std::wstring>{L"Report.CSV"});
  EXPECT_EQ(Read(L"Report.CSV"), "s");
}

TEST_F(FilesContract, DirectoriesAreCreatedOneLevelAtATime) {
  EXPECT_TRUE(files_.CreateDirectory(At(L"sub")).ok());
  EXPECT_TRUE(files_.IsDirectory(At(L"SUB")));
  const auto again = files_.CreateDirectory(At(L"sub"));
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().code, ErrorCode::kAlreadyExists);
  const auto deep = files_.CreateDirectory(At(L"a\\b"));
  ASSERT_FALSE(deep.ok());
  EXPECT_EQ(deep.error().code, ErrorCode::kNotFound);
  Put(L"file.txt", "f");
  EXPECT_FALSE(files_.IsDirectory(At(L"file.txt")));
}

TEST_F(FilesContract, FoldersAreNotFiles) {
  ASSERT_TRUE(files_.CreateDirectory(At(L"sub")).ok());
  const auto read = files_.ReadAll(At(L"sub"));
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.error().code, ErrorCode::kAccessDenied);
  Put(L"file.txt", "f");
  struct Case {
    const char* name;
    support::Status status;
  };
  const Case kCases[] = {
      {"delete", files_.Delete(At(L"sub"))},
      {"write", files_.WriteNew(At(L"sub"), "x")},
      {"append", files_.Append(At(L"sub"), "x")},
      {"copy onto", files_.Copy(At(L"file.txt"), At(L"sub"), true)},
      {"move onto", files_.MoveReplace(At(L"file.txt"), At(L"sub"))},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.status.ok());
    EXPECT_EQ(c.status.error().code, ErrorCode::kAccessDenied);
  }
  EXPECT_TRUE(files_.IsDirectory(At(L"sub")));
  EXPECT_EQ(Read(L"file.txt"), "f");
}

// The running program's own file is held by its process: readable, but it can be
// neither replaced nor deleted.
TEST_F(FilesContract, RunningExecutableCannotBeReplacedOrDeleted) {
  const std::wstring exe = contract::ContractSystem().environment.ExecutablePath();
  Put(L"new.exe", "new");
  struct Case {
    const char* name;
    support::Status status;
  };
  const Case kCases[] = {
      {"copy onto", files_.Copy(At(L"new.exe"), exe, true)},
      {"move onto", files_.MoveReplace(At(L"new.exe"), exe)},
      {"write", files_.WriteNew(exe, "x")},
      {"delete", files_.Delete(exe)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.status.ok());
    EXPECT_EQ(c.status.error().code, ErrorCode::kAccessDenied);
  }
  ASSERT_TRUE(files_.Copy(exe, At(L"copy.exe"), false).ok());
  EXPECT_EQ(Read(L"copy.exe"), files_.ReadAll(exe).value_or("<none>"));
  EXPECT_NE(Read(L"copy.exe"), "x");
  EXPECT_TRUE(files_.Exists(At(L"new.exe")));
}

TEST_F(FilesContract, MoveReplaceSwapsInTheNewFile) {
  Put(L"target.csv", "old");
  Put(L"target.csv.tmp", "new");
  ASSERT_TRUE(files_.MoveReplace(At(L"target.csv.tmp"), At(L"target.csv")).ok());
  EXPECT_EQ(Read(L"target.csv"), "new");
  EXPECT_FALSE(files_.Exists(At(L"target.csv.tmp")));
  ASSERT_TRUE(files_.MoveReplace(At(L"target.csv"), At(L"fresh.csv")).ok());
  EXPECT_EQ(Read(L"fresh.csv"), "new");
  const auto missing = files_.MoveReplace(At(L"gone.tmp"), At(L"fresh.csv"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ErrorCode::kNotFound);
  EXPECT_EQ(Read(L"fresh.csv"), "new");
}

TEST_F(FilesContract, CopyOverwritesOnlyWhenAsked) {
  Put(L"from.exe", "new");
  Put(L"to.exe", "old");
  const auto refused = files_.Copy(At(L"from.exe"), At(L"to.exe"), false);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, ErrorCode::kAlreadyExists);
  EXPECT_EQ(refused.error().win32_error, 80u);
  EXPECT_EQ(Read(L"to.exe"), "old");
  ASSERT_TRUE(files_.Copy(At(L"from.exe"), At(L"to.exe"), true).ok());
  EXPECT_EQ(Read(L"to.exe"), "new");
  ASSERT_TRUE(files_.Copy(At(L"from.exe"), At(L"third.exe"), false).ok());
  EXPECT_EQ(Read(L"from.exe"), "new");
  const auto missing = files_.Copy(At(L"none.exe"), At(L"fourth.exe"), true);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ErrorCode::kNotFound);
  EXPECT_FALSE(files_.Exists(At(L"fourth.exe")));
}

// Write times are FILETIMEs: a file written now dates from this century, after 1601.
TEST_F(FilesContract, LastWriteTimeIsAFileTimeOfNow) {
  Put(L"dated.txt", "x");
  const auto written = files_.LastWriteTime(At(L"dated.txt"));
  ASSERT_TRUE(written.ok());
  constexpr std::uint64_t kYear2020 = 132223104000000000;
  EXPECT_GT(*written, kYear2020);
  EXPECT_EQ(files_.LastWriteTime(At(L"missing.txt")).error().code, ErrorCode::kNotFound);
}

TEST_F(FilesContract, DeleteRemovesTheFile) {
  Put(L"doomed.txt", "x");
  ASSERT_TRUE(files_.Delete(At(L"doomed.txt")).ok());
  EXPECT_FALSE(files_.Exists(At(L"doomed.txt")));
}

TEST_F(FilesContract, RemoveEmptyDirectoryTakesOnlyEmptyFolders) {
  ASSERT_TRUE(files_.CreateDirectory(At(L"sub")).ok());
  Put(L"sub\\left.txt", "x");
  const auto full = files_.RemoveEmptyDirectory(At(L"sub"));
  ASSERT_FALSE(full.ok());
  EXPECT_EQ(full.error().win32_error, 145u);  // ERROR_DIR_NOT_EMPTY
  const auto file = files_.RemoveEmptyDirectory(At(L"sub\\left.txt"));
  ASSERT_FALSE(file.ok());
  EXPECT_EQ(file.error().win32_error, 267u);  // ERROR_DIRECTORY
  ASSERT_TRUE(files_.Delete(At(L"sub\\left.txt")).ok());
  ASSERT_TRUE(files_.RemoveEmptyDirectory(At(L"sub")).ok());
  EXPECT_FALSE(files_.Exists(At(L"sub")));
  EXPECT_EQ(files_.RemoveEmptyDirectory(At(L"sub")).error().code, ErrorCode::kNotFound);
}

TEST_F(FilesContract, ListMatchesThePatternAndSortsByName) {
  for (const wchar_t* name :
       {L"benchmark-20240502-101010.csv", L"aggregate-master.csv", L"benchmark-20240501-090000.csv",
        L"BENCHMARK-20231231-235959.CSV", L"benchmark-notes.txt"}) {
    Put(name, "x");
  }
  ASSERT_TRUE(files_.CreateDirectory(At(L"benchmark-folder.csv")).ok());
  const std::vector<std::wstring> expected = {L"BENCHMARK-20231231-235959.CSV",
                                              L"benchmark-20240501-090000.csv",
                                              L"benchmark-20240502-101010.csv"};
  EXPECT_EQ(files_.List(dir_, L"benchmark-*.csv"), expected);
  EXPECT_EQ(files_.List(dir_, L"aggregate-?aster.csv"),
            std::vector<std::wstring>{L"aggregate-master.csv"});
  EXPECT_TRUE(files_.List(dir_, L"*.ini").empty());
  EXPECT_TRUE(files_.List(At(L"missing"), L"*").empty());
}

}  // namespace

namespace {

// A protected folder is no link, and protecting it again is allowed. (Its owner is not
// asserted: Wine keeps no owner on files, Windows and the sim report Administrators.)
TEST_F(FilesContract, AProtectedFolderIsTrustedAndNoLink) {
  const std::wstring folder = At(L"data");
  ASSERT_TRUE(files_.CreateProtectedDirectory(folder).ok());
  const auto again = files_.CreateProtectedDirectory(folder);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().code, ErrorCode::kAlreadyExists);
  const auto trust = files_.QueryFolderTrust(folder);
  ASSERT_TRUE(trust.ok());
  EXPECT_FALSE(trust->reparse_point);
  EXPECT_FALSE(trust->others_may_write);
  EXPECT_TRUE(files_.ProtectDirectory(folder).ok());
  EXPECT_EQ(files_.QueryFolderTrust(At(L"missing")).error().code, ErrorCode::kNotFound);
}

// Re-securing reaches what is inside: each file and folder below ends with no write right
// for anyone else, and a link inside is removed without entering what it points at.
TEST_F(FilesContract, ProtectingAFolderTakesBackWhatIsInside) {
  const std::wstring folder = At(L"shared");
  ASSERT_TRUE(files_.CreateDirectory(folder).ok());
  ASSERT_TRUE(files_.CreateDirectory(folder + L"\\inner").ok());
  ASSERT_TRUE(files_.WriteNew(folder + L"\\inner\\data.csv", "x").ok());
  ASSERT_TRUE(files_.CreateDirectory(At(L"elsewhere")).ok());
  ASSERT_TRUE(files_.WriteNew(At(L"elsewhere\\keep.txt"), "keep").ok());
  const bool linked = contract::MakeFolderLink(folder + L"\\link", At(L"elsewhere"));
  ASSERT_TRUE(files_.ProtectDirectory(folder).ok());
  for (const wchar_t* inside : {L"", L"\\inner", L"\\inner\\data.csv"}) {
    SCOPED_TRACE(support::ToUtf8(inside));
    const auto trust = files_.QueryFolderTrust(folder + inside);
    ASSERT_TRUE(trust.ok());
    EXPECT_FALSE(trust->others_may_write);
    EXPECT_FALSE(trust->reparse_point);
  }
  if (linked) EXPECT_FALSE(files_.Exists(folder + L"\\link"));
  EXPECT_EQ(Read(L"elsewhere\\keep.txt"), "keep");
}

// An exclusive write never reuses a name, whether a file or a folder holds it.
TEST_F(FilesContract, WriteNewFlushedNeverReusesAName) {
  ASSERT_TRUE(files_.WriteNewFlushed(At(L"a.tmp"), "new").ok());
  EXPECT_EQ(Read(L"a.tmp"), "new");
  ASSERT_TRUE(files_.CreateDirectory(At(L"b.tmp")).ok());
  for (const wchar_t* name : {L"a.tmp", L"b.tmp"}) {
    const auto written = files_.WriteNewFlushed(At(name), "other");
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().code, ErrorCode::kAlreadyExists);
  }
  EXPECT_EQ(Read(L"a.tmp"), "new");
}

// A capped read gives the whole file up to the cap, nothing above it, and never blocks
// a replacing move.
TEST_F(FilesContract, ReadAtMostRefusesAFileAboveTheCap) {
  Put(L"five.txt", "12345");
  EXPECT_EQ(files_.ReadAtMost(At(L"five.txt"), 5).value_or("<none>"), "12345");
  const auto over = files_.ReadAtMost(At(L"five.txt"), 4);
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error().code, ErrorCode::kTooLarge);
  EXPECT_EQ(files_.ReadAtMost(At(L"none.txt"), 4).error().code, ErrorCode::kNotFound);
}

// The running executable copies whole into a fresh name, and never over an existing one.
TEST_F(FilesContract, TheRunningExecutableCopiesIntoAFreshName) {
  const std::wstring exe = contract::ContractSystem().environment.ExecutablePath();
  const auto copied = files_.CopyRunningExecutable(At(L"copy.exe"));
  ASSERT_TRUE(copied.ok()) << support::ToUtf8(copied.error().what) << " "
                           << copied.error().win32_error;
  EXPECT_EQ(files_.ReadAll(At(L"copy.exe")).value_or("a"), files_.ReadAll(exe).value_or("b"));
  const auto again = files_.CopyRunningExecutable(At(L"copy.exe"));
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().code, ErrorCode::kAlreadyExists);
}

TEST_F(FilesContract, FileVersionOfASystemLibraryAndOfFilesWithout) {
  auto& environment = contract::ContractSystem().environment;
  const auto version = files_.ReadFileVersion(environment.SystemDirectory() + L"\\kernel32.dll");
  ASSERT_TRUE(version.ok()) << version.error().win32_error;
  EXPECT_GT(version->major, 0u);
  Put(L"plain.txt", "no resources here");
  EXPECT_FALSE(files_.ReadFileVersion(At(L"plain.txt")).ok());
  const auto missing = files_.ReadFileVersion(At(L"missing.exe"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ErrorCode::kNotFound);
}

}  // namespace
