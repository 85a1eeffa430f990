// SimFiles: a file held for checking and use. While held it carries FileLock::kHeld, so
// the sim refuses writes, renames and deletes as Windows refuses them to other programs.
#include <system_error>

#include "platform/sim/files_sim.h"

namespace platform {
namespace fs = std::filesystem;
using support::ErrorCode;
using support::Fail;

class SimHeldFile final : public HeldFile {
 public:
  SimHeldFile(SimFiles& files, std::wstring path, std::wstring key)
      : files_(files), path_(std::move(path)), key_(std::move(key)) {}
  ~SimHeldFile() override {
    std::lock_guard lock(files_.mutex_);
    files_.locks_.erase(key_);
  }
  SimHeldFile(const SimHeldFile&) = delete;
  SimHeldFile& operator=(const SimHeldFile&) = delete;
  const std::wstring& path() const override { return path_; }

 private:
  SimFiles& files_;
  std::wstring path_;
  std::wstring key_;
};

support::Result<std::unique_ptr<HeldFile>> SimFiles::OpenHeld(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kRead, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  // A link is refused as it stands: what it points at is never opened.
  if (fs::is_symlink(r->host, ec) || fs::is_directory(r->host, ec)) {
    return Fail(ErrorCode::kAccessDenied, path, 5);
  }
  // Another holder must share reading and must not be writing; a second hold would
  // need the first to share it, which this one does not model.
  if (LockOf(*r) != FileLock::kNone) return Fail(ErrorCode::kAccessDenied, path, 32);
  locks_[r->key] = FileLock::kHeld;
  return std::unique_ptr<HeldFile>(std::make_unique<SimHeldFile>(*this, path, r->key));
}

}  // namespace platform
