// SimFiles: folder trust, capped reads, exclusive flushed writes and the running-image copy.
#include <filesystem>
#include <fstream>
#include <iterator>

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
  if (const auto r = Resolve(path)) protected_[r->key] = true;
  return {};
}

support::Result<FolderTrust> SimFiles::QueryFolderTrust(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  const auto it = trust_.find(r->key);
  return it != trust_.end() ? it->second : FolderTrust{false, true};
}

Status SimFiles::ProtectDirectory(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kProtect, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  FolderTrust& trust = trust_[r->key];
  if (trust.reparse_point) return Fail(ErrorCode::kAccessDenied, path, kAccessDenied);
  trust.trusted_owner = true;
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

void SimFiles::SetRunningImage(std::function<std::wstring()> path) {
  std::lock_guard lock(mutex_);
  running_image_ = std::move(path);
}

void SimFiles::SwapRunningImage() {
  std::lock_guard lock(mutex_);
  image_swapped_ = true;
}

}  // namespace platform
