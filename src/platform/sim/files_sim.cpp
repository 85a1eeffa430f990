#include "platform/sim/files_sim.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/sim/sim_text.h"
#include "support/utf.h"

namespace platform {
namespace fs = std::filesystem;
using support::ErrorCode;
using support::Fail;
using support::PortError;
using support::Status;

namespace {

// The codes Windows' file calls leave in GetLastError.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kNotSameDevice = 17;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kFileExists = 80;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kAlreadyExists = 183;

PortError NotFound(const std::wstring& what, bool parent_is_dir) {
  return Fail(ErrorCode::kNotFound, what, parent_is_dir ? kFileNotFound : kPathNotFound);
}
PortError Denied(const std::wstring& what) {
  return Fail(ErrorCode::kAccessDenied, what, kAccessDenied);
}
PortError Sharing(const std::wstring& what) {
  return Fail(ErrorCode::kAccessDenied, what, kSharingViolation);
}
PortError BadName(const std::wstring& what) {
  return Fail(ErrorCode::kInvalidArgument, what, kInvalidName);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasReservedCharacter(const std::wstring& name) {
  return name.find_first_of(L"<>:\"|?*") != std::wstring::npos;
}

std::wstring HostName(const fs::path& p) { return support::FromUtf8(p.filename().string()); }

}  // namespace

SimFiles::SimFiles() {
  std::string pattern = (fs::temp_directory_path() / "veltrane-sim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();  // no sandbox, no safe tests
  root_ = pattern;
  for (const wchar_t* folder :
       {L"C:\\Windows\\system32", L"C:\\ProgramData", L"C:\\Program Files",
        L"C:\\Program Files (x86)", L"C:\\Users\\Player\\AppData\\Local\\Temp",
        L"C:\\Users\\Player\\AppData\\Roaming", L"C:\\Users\\Player\\Downloads"}) {
    SeedDirectory(folder);
  }
  // Who else may write where, as on a fresh Windows: users may add to the volume root and
  // to ProgramData, own their profile, and may not touch the system's folders.
  SetFolderTrust(L"C:\\", {false, true, true});
  SetFolderTrust(L"C:\\ProgramData", {false, true, true});
  for (const wchar_t* folder : {L"C:\\Windows", L"C:\\Program Files", L"C:\\Program Files (x86)"}) {
    SetFolderTrust(folder, {false, true, false});
  }
  SetFolderTrust(L"C:\\Users\\Player", {false, false, true});
}

SimFiles::~SimFiles() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::optional<SimFiles::Resolved> SimFiles::Resolve(const std::wstring& path) const {
  // Step 1: only fully qualified paths ("C:\\..."): the sim has no current directory.
  if (path.size() < 3 || !std::iswalpha(static_cast<wint_t>(path[0])) || path[1] != L':' ||
      !IsSeparator(path[2])) {
    return std::nullopt;
  }
  // Step 2: components, with "." and ".." folded away as GetFullPathNameW does.
  std::vector<std::wstring> parts;
  std::wstring part;
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) {
      part += path[i];
      continue;
    }
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      if (HasReservedCharacter(part)) return std::nullopt;
      parts.push_back(part);
    }
    part.clear();
  }
  // Step 3: walk the host tree, taking each existing entry's own spelling.
  Resolved r;
  r.drive = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(path[0])));
  r.host = root_ / std::string(1, static_cast<char>(r.drive));
  r.key = std::wstring(1, r.drive) + L":";
  r.parent_is_dir = true;
  std::error_code ec;
  for (const std::wstring& name : parts) {
    r.parent_is_dir = fs::is_directory(r.host, ec);
    std::wstring actual = name;
    // The exact spelling is found without reading the whole folder.
    if (r.parent_is_dir && !fs::exists(r.host / support::ToUtf8(name), ec)) {
      for (const auto& entry : fs::directory_iterator(r.host, ec)) {
        if (sim::EqualsIgnoreCase(HostName(entry.path()), name)) {
          actual = HostName(entry.path());
          break;
        }
      }
    }
    r.host /= support::ToUtf8(actual);
    r.key += L"\\" + sim::FoldCase(name);
  }
  return r;
}

FileLock SimFiles::LockOf(const Resolved& r) const {
  const auto it = locks_.find(r.key);
  const FileLock set = it == locks_.end() ? FileLock::kNone : it->second;
  return set == FileLock::kNone && image_holds_.count(r.key) != 0 ? FileLock::kInUse : set;
}

bool SimFiles::Exists(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  std::error_code ec;
  return r && fs::exists(r->host, ec);
}

bool SimFiles::IsDirectory(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  std::error_code ec;
  return r && fs::is_directory(r->host, ec);
}

Status SimFiles::CreateDirectory(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kCreateDirectory, path)) return *fault;
  const auto r = Resolve(path);
  if (!r) return BadName(path);
  std::error_code ec;
  if (fs::exists(r->host, ec)) return Fail(ErrorCode::kAlreadyExists, path, kAlreadyExists);
  if (!r->parent_is_dir) return NotFound(path, false);
  if (!fs::create_directory(r->host, ec)) return Fail(ErrorCode::kFailed, path, 31);
  return {};
}

namespace {

// FILETIME counts 100-ns units from 1601; the host's file clock converts through Unix time.
using FileTimeUnits = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;

}  // namespace

support::Result<SimFiles::Resolved> SimFiles::ResolveExisting(const std::wstring& path) const {
  auto r = Resolve(path);
  if (!r) return BadName(path);
  std::error_code ec;
  if (!fs::exists(r->host, ec)) return NotFound(path, r->parent_is_dir);
  return *std::move(r);
}

support::Result<std::uint64_t> SimFiles::LastWriteTime(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  const fs::file_time_type written = fs::last_write_time(r->host, ec);
  if (ec) return Fail(ErrorCode::kFailed, path, 31);
  const auto since_unix = std::chrono::duration_cast<FileTimeUnits>(
                              std::chrono::file_clock::to_sys(written).time_since_epoch())
                              .count();
  return static_cast<std::uint64_t>(since_unix + kUnixEpochAsFileTime);
}

void SimFiles::SetLastWriteTime(const std::wstring& path, std::uint64_t filetime) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  if (!r) return;
  const std::chrono::sys_time<FileTimeUnits> when(
      FileTimeUnits(static_cast<std::int64_t>(filetime) - kUnixEpochAsFileTime));
  std::error_code ec;
  fs::last_write_time(r->host,
                      std::chrono::time_point_cast<fs::file_time_type::duration>(
                          std::chrono::file_clock::from_sys(when)),
                      ec);
}

support::Result<std::string> SimFiles::ReadAll(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kRead, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  if (fs::is_directory(r->host, ec)) return Denied(path);
  if (LockOf(*r) == FileLock::kExclusive) return Sharing(path);
  std::ifstream in(r->host, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Status SimFiles::WriteBytes(const std::wstring& path, std::string_view bytes, bool append) {
  const auto r = Resolve(path);
  if (!r) return BadName(path);
  std::error_code ec;
  if (!r->parent_is_dir) return NotFound(path, false);
  if (fs::is_directory(r->host, ec)) return Denied(path);
  if (LockOf(*r) != FileLock::kNone) return Sharing(path);
  std::ofstream out(r->host, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) return Fail(ErrorCode::kFailed, path, 31);
  return {};
}

Status SimFiles::WriteNew(const std::wstring& path, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kWrite, path)) return *fault;
  return WriteBytes(path, bytes, false);
}

Status SimFiles::Append(const std::wstring& path, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kAppend, path)) return *fault;
  return WriteBytes(path, bytes, true);
}

Status SimFiles::MoveReplace(const std::wstring& from, const std::wstring& to) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kMove, from)) return *fault;
  const auto src = Resolve(from);
  const auto dst = Resolve(to);
  if (!src) return BadName(from);
  if (!dst) return BadName(to);
  std::error_code ec;
  // Step 1: the source must exist and be openable for a rename (a running exe is).
  if (!fs::exists(src->host, ec)) return NotFound(from, src->parent_is_dir);
  if (LockOf(*src) == FileLock::kExclusive || LockOf(*src) == FileLock::kHeld) {
    return Sharing(from);
  }
  if (src->key == dst->key) return {};  // same file: nothing to replace
  // Step 2: the target folder must exist, and an existing target must be a file that
  // nobody holds open: a folder or a running exe cannot be replaced.
  if (!dst->parent_is_dir) return NotFound(to, false);
  if (src->drive != dst->drive) return Fail(ErrorCode::kFailed, to, kNotSameDevice);
  if (fs::exists(dst->host, ec)) {
    if (fs::is_directory(dst->host, ec) || fs::is_directory(src->host, ec)) return Denied(to);
    if (LockOf(*dst) != FileLock::kNone) return Denied(to);
  }
  fs::rename(src->host, dst->host, ec);
  if (ec) return Fail(ErrorCode::kFailed, from, 31);
  // Step 3: whoever held the old name now holds the new one, and the file keeps its owner
  // and rights, as a rename on one volume does.
  if (const auto it = locks_.find(src->key); it != locks_.end()) {
    const FileLock held = it->second;
    locks_.erase(it);
    locks_[dst->key] = held;
  }
  trust_.erase(dst->key);
  if (const auto it = trust_.find(src->key); it != trust_.end()) {
    const FolderTrust kept = it->second;
    trust_.erase(it);
    trust_[dst->key] = kept;
  }
  return {};
}

Status SimFiles::Copy(const std::wstring& from, const std::wstring& to, bool overwrite) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kCopy, from)) return *fault;
  const auto src = Resolve(from);
  const auto dst = Resolve(to);
  if (!src) return BadName(from);
  if (!dst) return BadName(to);
  std::error_code ec;
  if (!fs::exists(src->host, ec)) return NotFound(from, src->parent_is_dir);
  if (fs::is_directory(src->host, ec)) return Denied(from);
  if (LockOf(*src) == FileLock::kExclusive) return Sharing(from);
  if (!dst->parent_is_dir) return NotFound(to, false);
  if (fs::exists(dst->host, ec)) {
    if (!overwrite) return Fail(ErrorCode::kAlreadyExists, to, kFileExists);
    if (fs::is_directory(dst->host, ec)) return Denied(to);
    if (LockOf(*dst) != FileLock::kNone || src->key == dst->key) return Sharing(to);
  }
  fs::copy_file(src->host, dst->host, fs::copy_options::overwrite_existing, ec);
  if (ec) return Fail(ErrorCode::kFailed, to, 31);
  return {};
}

Status SimFiles::Delete(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kDelete, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  if (fs::is_directory(r->host, ec) || LockOf(*r) != FileLock::kNone) return Denied(path);
  if (!fs::remove(r->host, ec)) return Fail(ErrorCode::kFailed, path, 31);
  trust_.erase(r->key);
  return {};
}

Status SimFiles::RemoveEmptyDirectory(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kRemoveDirectory, path)) return *fault;
  const auto r = ResolveExisting(path);
  if (!r) return r.error();
  std::error_code ec;
  if (!fs::is_directory(r->host, ec)) return Fail(ErrorCode::kFailed, path, 267);
  if (!fs::is_empty(r->host, ec)) return Fail(ErrorCode::kFailed, path, 145);
  if (!fs::remove(r->host, ec)) return Fail(ErrorCode::kFailed, path, 31);
  return {};
}

Status SimFiles::DeleteAtReboot(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(FileOp::kDeleteAtReboot, path)) return *fault;
  reboot_deletes_.push_back(path);
  return {};
}

std::vector<std::wstring> SimFiles::PendingRebootDeletes() {
  std::lock_guard lock(mutex_);
  return reboot_deletes_;
}

std::vector<std::wstring> SimFiles::List(const std::wstring& folder, const std::wstring& pattern) {
  std::lock_guard lock(mutex_);
  std::vector<std::wstring> names;
  if (faults_.Take(FileOp::kList, folder)) return names;
  const auto r = Resolve(folder);
  std::error_code ec;
  if (!r || !fs::is_directory(r->host, ec)) return names;
  for (const auto& entry : fs::directory_iterator(r->host, ec)) {
    const std::wstring name = HostName(entry.path());
    if (!entry.is_directory(ec) && sim::MatchesPattern(name, pattern)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void SimFiles::FailNext(FileOp op, ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  faults_.Add(op, code, win32_error);
}

void SimFiles::SetLock(const std::wstring& path, FileLock held) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  if (!r) return;
  if (held == FileLock::kNone) {
    locks_.erase(r->key);
  } else {
    locks_[r->key] = held;
  }
}

void SimFiles::CreateParents(const fs::path& host) {
  std::error_code ec;
  fs::create_directories(host, ec);
}

void SimFiles::Seed(const std::wstring& path, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  if (!r) std::abort();  // a test seeding a path Windows could not hold is a broken test
  CreateParents(r->host.parent_path());
  std::ofstream out(r->host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void SimFiles::SeedDirectory(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  if (!r) std::abort();
  CreateParents(r->host);
}

fs::path SimFiles::HostPath(const std::wstring& path) {
  std::lock_guard lock(mutex_);
  const auto r = Resolve(path);
  return r ? r->host : fs::path();
}

}  // namespace platform
