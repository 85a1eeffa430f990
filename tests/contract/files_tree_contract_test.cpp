// Files, the calls downloads and unpacking use: streamed writes, free space, sizes,
// first bytes, listings that show links, and tree deletes that never follow them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract/contract_system.h"
#include "platform/files.h"

namespace {

using support::ErrorCode;

class FilesTreeContract : public ::testing::Test {
 protected:
  platform::Files& files_ = contract::ContractSystem().files;
  const std::wstring dir_ = contract::NewScratchFolder();

  std::wstring At(const std::wstring& name) const { return dir_ + L"\\" + name; }
};

TEST_F(FilesTreeContract, StreamWritesPiecesAndReplacesAnOldFile) {
  ASSERT_TRUE(files_.WriteNew(At(L"pkg.exe"), "old content").ok());
  auto stream = files_.CreateStream(At(L"pkg.exe"));
  ASSERT_TRUE(stream.ok()) << stream.error().win32_error;
  ASSERT_TRUE((*stream)->Write("MZ").ok());
  ASSERT_TRUE((*stream)->Write(std::string("\0\1", 2)).ok());
  ASSERT_TRUE((*stream)->Close().ok());
  EXPECT_EQ(files_.ReadAll(At(L"pkg.exe")).value_or(""), std::string("MZ\0\1", 4));
  EXPECT_EQ(files_.FileSize(At(L"pkg.exe")).value_or(0), 4u);
  EXPECT_EQ(files_.ReadBytes(At(L"pkg.exe"), 0, 2).value_or(""), "MZ");
  EXPECT_EQ(files_.ReadBytes(At(L"pkg.exe"), 0, 100).value_or(""), std::string("MZ\0\1", 4));
  // A stream into a folder that is not there fails at once.
  const auto nowhere = files_.CreateStream(At(L"missing\\pkg.exe"));
  ASSERT_FALSE(nowhere.ok());
  EXPECT_EQ(nowhere.error().code, ErrorCode::kNotFound);
}

TEST_F(FilesTreeContract, SizesAndSpace) {
  EXPECT_EQ(files_.FileSize(At(L"none")).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(files_.FileSize(dir_).error().code, ErrorCode::kAccessDenied);
  EXPECT_EQ(files_.ReadBytes(At(L"none"), 0, 2).error().code, ErrorCode::kNotFound);
  const auto space = files_.FreeSpace(dir_);
  ASSERT_TRUE(space.ok());
  EXPECT_GT(*space, 0u);
}

TEST_F(FilesTreeContract, ListingShowsFoldersFilesAndLinks) {
  ASSERT_TRUE(files_.CreateDirectory(At(L"sub")).ok());
  ASSERT_TRUE(files_.WriteNew(At(L"b.inf"), "12345").ok());
  const std::wstring outside = contract::NewScratchFolder();
  const bool linked = contract::MakeFolderLink(At(L"link"), outside);
  const auto entries = files_.ListEntries(dir_);
  ASSERT_TRUE(entries.ok());
  std::vector<std::wstring> names;
  for (const auto& e : *entries) names.push_back(e.name);
  if (linked) {
    EXPECT_EQ(names, (std::vector<std::wstring>{L"b.inf", L"link", L"sub"}));
    EXPECT_TRUE((*entries)[1].is_reparse_point);
  } else {
    EXPECT_EQ(names, (std::vector<std::wstring>{L"b.inf", L"sub"}));
  }
  EXPECT_FALSE((*entries)[0].is_directory);
  EXPECT_EQ((*entries)[0].size, 5u);
  EXPECT_TRUE(entries->back().is_directory);
  EXPECT_FALSE(entries->back().is_reparse_point);
  EXPECT_EQ(files_.ListEntries(At(L"none")).error().code, ErrorCode::kNotFound);
}

TEST_F(FilesTreeContract, TreeDeleteRemovesLinksButNotWhatTheyPointAt) {
  const std::wstring outside = contract::NewScratchFolder();
  ASSERT_TRUE(files_.WriteNew(outside + L"\\keep.txt", "precious").ok());
  ASSERT_TRUE(files_.CreateDirectory(At(L"tree")).ok());
  ASSERT_TRUE(files_.CreateDirectory(At(L"tree\\deep")).ok());
  ASSERT_TRUE(files_.WriteNew(At(L"tree\\deep\\a.txt"), "a").ok());
  ASSERT_TRUE(files_.WriteNew(At(L"tree\\b.txt"), "b").ok());
  const bool linked = contract::MakeFolderLink(At(L"tree\\deep\\escape"), outside);
  ASSERT_TRUE(files_.DeleteTree(At(L"tree")).ok());
  EXPECT_FALSE(files_.Exists(At(L"tree")));
  EXPECT_EQ(files_.ReadAll(outside + L"\\keep.txt").value_or(""), "precious");
  if (!linked) GTEST_SKIP() << "no folder links on this system; the plain tree went";
  EXPECT_TRUE(files_.Exists(outside));
  EXPECT_EQ(files_.DeleteTree(At(L"tree")).error().code, ErrorCode::kNotFound);
}

// A held file can be read and copied by others but not written, renamed or deleted; a
// link or a folder is never held.
TEST_F(FilesTreeContract, HeldFileRefusesChangeUntilReleased) {
  ASSERT_TRUE(files_.WriteNew(At(L"pkg.exe"), "MZ checked").ok());
  {
    auto held = files_.OpenHeld(At(L"pkg.exe"));
    ASSERT_TRUE(held.ok());
    EXPECT_EQ((*held)->path(), At(L"pkg.exe"));
    EXPECT_EQ(files_.ReadAll(At(L"pkg.exe")).value_or(""), "MZ checked");
    EXPECT_TRUE(files_.Copy(At(L"pkg.exe"), At(L"copy.exe"), false).ok());
    EXPECT_FALSE(files_.WriteNew(At(L"pkg.exe"), "MZ evil").ok());
    EXPECT_FALSE(files_.Delete(At(L"pkg.exe")).ok());
    EXPECT_FALSE(files_.MoveReplace(At(L"pkg.exe"), At(L"moved.exe")).ok());
    EXPECT_FALSE(files_.MoveReplace(At(L"copy.exe"), At(L"pkg.exe")).ok());
  }
  EXPECT_TRUE(files_.Delete(At(L"pkg.exe")).ok());
  EXPECT_EQ(files_.OpenHeld(At(L"pkg.exe")).error().code, ErrorCode::kNotFound);
  ASSERT_TRUE(files_.CreateDirectory(At(L"folder")).ok());
  EXPECT_EQ(files_.OpenHeld(At(L"folder")).error().code, ErrorCode::kAccessDenied);
  if (contract::MakeFolderLink(At(L"link"), contract::NewScratchFolder())) {
    EXPECT_EQ(files_.OpenHeld(At(L"link")).error().code, ErrorCode::kAccessDenied);
  }
}

}  // namespace
