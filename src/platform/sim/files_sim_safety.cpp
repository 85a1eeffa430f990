// SimFiles: folder trust, capped reads, exclusive flushed writes and the running-image copy.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/sim/files_sim.h"

namespace platform {
namespace fs = std::filesystem;
using support::ErrorCode;
using support::Fail;
using support::Status;

namespace {

constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kNotEnoughMemory = 8;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uint32_t kFileInvalid = 1006;

}  // namespace

Status SimFiles::CreateProtectedDirectory(const std::wstring& path) {
  if (Status created = CreateDirectory(path); !created) return created;
  std::lock_guard lock(mutex_);
  if (const auto r = Resolve(path)) {
    protected_[r->key] = true;
    trust_[r->key] = FolderTrust{false, true, false};
  }
  return {};
}

FolderTrust SimFiles::TrustOfLocked(const Resolved& r) const {
  FolderTrust trust{false, true, true};
  if (const auto own = trust_.find(r.key); own != trust_.end()) {
    trust = own->second;
  } else {
    // What the program made inherits the write rights of the nearest recorded folder
    // above; a volume with no record lets everyone create, as a fresh NTFS volume does.
    for (std::wstring key = r.key; key.find(L'\\') != std::wstring::npos;) {
      key.resize(key.rfind(L'\\'));
      if (const auto above = trust_.find(key); above != trust_.end()) {
        trust.others_may_write = above->second.others_may_write;
        break;
      }
    }
  }
  std::error_code ec;
  trust.reparse_point = trust.reparse_point || fs::is_symlink(r.host, ec);
  return trust;
}

support::Result<FolderTrust> SimFiles::QueryFolderTrust(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  return TrustOfLocked(*r);
}

Status SimFiles::ProtectDirectory(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kProtect, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  if (TrustOfLocked(*r).reparse_point) return Fail(ErrorCode::kAccessDenied, path, kAccessDenied);
  // Step 1: links below go as links; the rest is taken back and inherits the new list.
  std::error_code ec;
  std::vector<fs::path> links;
  for (const auto& entry : fs::recursive_directory_iterator(r->host, ec)) {
    if (entry.is_symlink(ec)) links.push_back(entry.path());
  }
  for (const fs::path& link : links) fs::remove(link, ec);
  const std::wstring below = r->key + L"\\";
  for (auto it = trust_.lower_bound(below); it != trust_.end() && it->first.starts_with(below);) {
    it = trust_.erase(it);
  }
  // Step 2: the folder itself.
  trust_[r->key] = FolderTrust{false, true, false};
  protected_[r->key] = true;
  return {};
}

support::Result<std::string> SimFiles::ReadAtMost(const std::wstring& path,
                                                  std::uint64_t max_bytes) {
  {
    std::lock_guard lock(mutex_);
    const auto r = Resolve(path);
    std::error_code ec;
    if (r && fs::is_regular_file(r->host, ec) && fs::file_size(r->host, ec) > max_bytes) {
      return Fail(ErrorCode::kTooLarge, path, kNotEnoughMemory);
    }
  }
  return ReadAll(path);
}

Status SimFiles::WriteNewFlushed(const std::wstring& path, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kWrite, path)) return *fault;
  const auto r = Resolve(path);
  std::error_code ec;
  if (r && fs::exists(r->host, ec)) return Fail(ErrorCode::kAlreadyExists, path, kFileExists);
  return WriteBytes(path, bytes, false);
}

Status SimFiles::CopyRunningExecutable(const std::wstring& to) {
  const std::wstring from = running_image_ ? running_image_() : std::wstring();
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kCopy, from)) return *fault;
  if (image_swapped_) {
    image_swapped_ = false;
    return Fail(ErrorCode::kFailed, from, kFileInvalid);
  }
  const auto src = ResolveExisting(from);
  if (!src) return src.error();
  std::string bytes;
  {
    std::ifstream in(src->host, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const auto dst = Resolve(to);
  std::error_code ec;
  if (dst && fs::exists(dst->host, ec)) return Fail(ErrorCode::kAlreadyExists, to, kFileExists);
  return WriteBytes(to, bytes, false);
}

void SimFiles::SetFolderTrust(const std::wstring& path, FolderTrust trust) {
  std::lock_guard lock(mutex_);
  if (const auto r = Resolve(path)) trust_[r->key] = trust;
}

bool SimFiles::IsProtected(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  return r && protected_.count(r->key) != 0;
}

void SimFiles::HoldImage(const std::wstring& path, bool running) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  if (!r) return;
  if (running) {
    ++image_holds_[r->key];
  } else if (const auto it = image_holds_.find(r->key); it != image_holds_.end()) {
    if (--it->second <= 0) image_holds_.erase(it);
  }
}

void SimFiles::SetRunningImage(std::function<std::wstring()> path) {
  std::lock_guard lock(mutex_);
  running_image_ = std::move(path);
}

void SimFiles::SwapRunningImage() {
  std::lock_guard lock(mutex_);
  image_swapped_ = true;
}

}  // namespace platform
