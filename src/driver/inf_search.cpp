#include "driver/inf_search.h"

#include <functional>

#include "platform/files.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr int kMaxDepth = 6;
constexpr std::size_t kMaxVisited = 20000;
constexpr std::size_t kMaxArchives = 64;
constexpr std::uint64_t kMaxArchiveBytes = 8ull << 30;
constexpr std::size_t kMaxInfBytes = 8u << 20;

bool EndsWithIgnoreCase(const std::wstring& name, const std::wstring& tail) {
  const std::wstring lower = support::LowerCase(name);
  return lower.size() >= tail.size() &&
         lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
}

// Calls `visit` for every plain file at most kMaxDepth levels below `root`, never
// through a link, and into a folder only when `enter` accepts its name.
void Walk(const std::wstring& root, const std::function<bool(const std::wstring&)>& enter,
          const std::function<void(const std::wstring&, const platform::FolderEntry&)>& visit) {
  std::size_t visited = 0;
  std::function<void(const std::wstring&, int)> walk = [&](const std::wstring& folder, int depth) {
    const auto entries = platform::Sys().files.ListEntries(folder);
    if (!entries) return;
    for (const auto& entry : *entries) {
      if (++visited > kMaxVisited) return;
      if (entry.is_reparse_point) continue;
      const std::wstring path = folder + L"\\" + entry.name;
      if (!entry.is_directory) {
        visit(path, entry);
      } else if (depth < kMaxDepth && enter(entry.name)) {
        walk(path, depth + 1);
      }
    }
  };
  walk(root, 0);
}

// "amdkmdag" in the text read as 8-bit characters or as UTF-16.
bool NamesDisplayService(const std::string& bytes) {
  std::wstring narrow;
  std::wstring wide;
  narrow.reserve(bytes.size());
  for (const char c : bytes) narrow += static_cast<wchar_t>(static_cast<unsigned char>(c));
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return support::ContainsIgnoreCase(narrow, L"amdkmdag") ||
         support::ContainsIgnoreCase(wide, L"amdkmdag");
}

bool IsOtherComponent(const std::wstring& folder) {
  return support::ContainsAnyIgnoreCase(
      folder, {L"Audio", L"HDMI", L"ACP", L"SAM", L"Wireless", L"AMDLink", L"WVR"});
}

}  // namespace

std::vector<std::wstring> FindInnerArchives(const std::wstring& root) {
  std::vector<std::wstring> archives;
  std::uint64_t bytes = 0;
  Walk(
      root, [](const std::wstring&) { return true; },
      [&](const std::wstring& path, const platform::FolderEntry& entry) {
        if (!EndsWithIgnoreCase(entry.name, L".7z") && !EndsWithIgnoreCase(entry.name, L".zip"))
          return;
        if (archives.size() >= kMaxArchives || bytes + entry.size > kMaxArchiveBytes) return;
        bytes += entry.size;
        archives.push_back(path);
      });
  return archives;
}

std::vector<std::wstring> FindDisplayInfs(const std::wstring& root) {
  std::vector<std::wstring> all;
  std::vector<std::wstring> display;
  Walk(
      root, [](const std::wstring& name) { return !IsOtherComponent(name); },
      [&](const std::wstring& path, const platform::FolderEntry& entry) {
        if (!EndsWithIgnoreCase(entry.name, L".inf") || path.find(L'"') != std::wstring::npos)
          return;
        const auto text = platform::Sys().files.ReadBytes(path, 0, kMaxInfBytes);
        if (!text || !NamesDisplayService(*text)) return;
        all.push_back(path);
        if (support::ContainsIgnoreCase(path, L"\\display\\")) display.push_back(path);
      });
  return display.empty() ? all : display;
}
