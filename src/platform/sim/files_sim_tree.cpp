// SimFiles: streamed writes, free space, first bytes, listings and tree deletes. Links
// are host symbolic links inside the sandbox, reported and deleted as Windows treats
// junctions.
#include <algorithm>
#include <cwctype>
#include <fstream>
#include <system_error>

#include "platform/sim/files_sim.h"
#include "support/utf.h"

namespace platform {
namespace fs = std::filesystem;
using support::ErrorCode;
using support::Fail;
using support::Status;

namespace {

constexpr std::uint64_t kDefaultFreeSpace = 500ull * 1000 * 1000 * 1000;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kInvalidName = 123;

// Names in the order NTFS keeps them: compared without regard to case.
bool FoldedLess(const std::wstring& a, const std::wstring& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](wchar_t x, wchar_t y) { return std::towupper(x) < std::towupper(y); });
}

}  // namespace

class SimFileStream final : public FileStream {
 public:
  SimFileStream(SimFiles& files, std::wstring path, const fs::path& host)
      : files_(files), path_(std::move(path)), out_(host, std::ios::binary | std::ios::trunc) {}

  Status Write(std::string_view bytes) override {
    {
      std::lock_guard lock(files_.mutex_);
      if (auto fault = files_.faults_.Take(FileOp::kStreamWrite, path_)) return *fault;
    }
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out_) return Fail(ErrorCode::kFailed, path_, kGenFailure);
    return {};
  }

  Status Close() override {
    out_.close();
    if (!out_) return Fail(ErrorCode::kFailed, path_, kGenFailure);
    return {};
  }

 private:
  SimFiles& files_;
  std::wstring path_;
  std::ofstream out_;
};

support::Result<std::unique_ptr<FileStream>> SimFiles::CreateStream(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kWrite, path)) return *fault;
  const auto r = Resolve(path);
  if (!r) return Fail(ErrorCode::kInvalidArgument, path, kInvalidName);
  std::error_code ec;
  if (!r->parent_is_dir) return Fail(ErrorCode::kNotFound, path, 3);
  if (fs::is_directory(r->host, ec)) return Fail(ErrorCode::kAccessDenied, path, kAccessDenied);
  if (LockOf(*r) != FileLock::kNone) return Fail(ErrorCode::kAccessDenied, path, kSharingViolation);
  return std::unique_ptr<FileStream>(std::make_unique<SimFileStream>(*this, path, r->host));
}

support::Result<std::uint64_t> SimFiles::FreeSpace(const std::wstring& folder) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kFreeSpace, folder)) return *fault;
  const auto r = ResolveExisting(folder);
  if (!r) return r.error();
  const auto it = free_space_.find(r->drive);
  return it == free_space_.end() ? kDefaultFreeSpace : it->second;
}

void SimFiles::SetFreeSpace(wchar_t drive, std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  free_space_[drive] = bytes;
}

support::Result<std::uint64_t> SimFiles::FileSize(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  if (fs::is_directory(r->host, ec)) return Fail(ErrorCode::kAccessDenied, path, kAccessDenied);
  const std::uintmax_t size = fs::file_size(r->host, ec);
  if (ec) return Fail(ErrorCode::kFailed, path, kGenFailure);
  return static_cast<std::uint64_t>(size);
}

support::Result<std::string> SimFiles::ReadBytes(const std::wstring& path, std::uint64_t offset,
                                                 std::size_t count) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kRead, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  if (fs::is_directory(r->host, ec)) return Fail(ErrorCode::kAccessDenied, path, kAccessDenied);
  if (LockOf(*r) == FileLock::kExclusive) {
    return Fail(ErrorCode::kAccessDenied, path, kSharingViolation);
  }
  std::ifstream in(r->host, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  if (!in) return std::string();
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

support::Result<std::vector<FolderEntry>> SimFiles::ListEntries(const std::wstring& folder) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kList, folder)) return *fault;
  const auto r = ResolveExisting(folder);
  if (!r) return r.error();
  std::error_code ec;
  if (!fs::is_directory(r->host, ec)) return Fail(ErrorCode::kFailed, folder, 267);
  std::vector<FolderEntry> entries;
  for (const auto& item : fs::directory_iterator(r->host, ec)) {
    FolderEntry entry;
    entry.name = support::FromUtf8(item.path().filename().string());
    entry.is_reparse_point = item.is_symlink(ec);
    entry.is_directory = item.is_directory(ec);
    if (!entry.is_directory && !entry.is_reparse_point) entry.size = item.file_size(ec);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return FoldedLess(a.name, b.name); });
  return entries;
}

Status SimFiles::DeleteTree(const std::wstring& folder) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kDeleteTree, folder)) return *fault;
  const auto r = ResolveExisting(folder);
  if (!r) return r.error();
  std::error_code ec;
  if (!fs::is_directory(r->host, ec)) return Fail(ErrorCode::kFailed, folder, 267);
  // remove_all removes a symbolic link itself and never descends through it.
  fs::remove_all(r->host, ec);
  if (ec) return Fail(ErrorCode::kFailed, folder, kGenFailure);
  return {};
}

void SimFiles::SeedLink(const std::wstring& link, const std::wstring& target) {
  std::lock_guard lock(mutex_);
  const auto from = Resolve(link);
  const auto to = Resolve(target);
  if (!from || !to) std::abort();
  CreateParents(from->host.parent_path());
  CreateParents(to->host);
  std::error_code ec;
  fs::create_directory_symlink(to->host, from->host, ec);
  if (ec) std::abort();
}

}  // namespace platform
