#include "afterburner/control_memory.h"

#include "afterburner/pci_card.h"
#include "platform/clock.h"
#include "platform/shared_memory.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr wchar_t kMutexName[] = L"Global\\Access_MACMSharedMemory";
constexpr wchar_t kMappingName[] = L"MACMSharedMemory";
constexpr wchar_t kNotification[] = L"MACMCmdNotification";
constexpr std::uint32_t kSignature = 0x4D41434D;
constexpr std::uint32_t kEntrySize = 3760;
constexpr std::uint32_t kApplyCommand = 0x00AB0001;
constexpr std::size_t kCommandOffset = 32;
constexpr std::size_t kEntryInUseOffset = 316;
constexpr std::size_t kIdentifierOffset = 3536;
constexpr std::size_t kIdentifierMax = 220;
// Afterburner keeps one entry per GPU; a header or entry list beyond these is not its own.
constexpr std::size_t kMaxHeaderSize = 4096;
constexpr std::size_t kMaxEntries = 64;
constexpr std::size_t kMaxControlBytes = kMaxHeaderSize + kMaxEntries * kEntrySize;
constexpr std::uint32_t kMutexWaitMs = 5000;
constexpr int kTakeChecks = 80;
constexpr std::uint32_t kTakeCheckPauseMs = 250;

std::uint32_t Word(std::string_view bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

std::string WordBytes(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

// Printable ASCII without what a file name must not hold; ".." is refused as well.
bool IsSafeFileStem(std::string_view id) {
  if (id.empty() || id.find("..") != std::string_view::npos) return false;
  for (const char c : id) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) return false;
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
  }
  return true;
}

// Holds Afterburner's mutex for one exchange.
class MutexHold {
 public:
  MutexHold() : held_(platform::Sys().shared_memory.LockMutex(kMutexName, kMutexWaitMs).ok()) {}
  ~MutexHold() {
    if (held_) platform::Sys().shared_memory.UnlockMutex(kMutexName);
  }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;
  bool held() const { return held_; }

 private:
  bool held_;
};

// The header and the entries Afterburner could have written, never the whole view: a
// program of the session can create the mapping first, with any size it likes. Empty when
// the mapping is missing or was not made by an elevated program.
std::string ReadControlBytes() {
  auto& memory = platform::Sys().shared_memory;
  const auto trusted = memory.OwnedByAdministrators(kMappingName);
  if (!trusted || !*trusted) return {};
  return memory.ReadMapping(kMappingName, kMaxControlBytes).value_or(std::string());
}

// Whether Afterburner has cleared or replaced our command word.
bool CommandTaken() {
  const MutexHold hold;
  if (!hold.held()) return false;
  const std::string mapping = ReadControlBytes();
  const ControlHeader header = ReadControlHeader(mapping);
  return header.valid && header.commandWord != kApplyCommand;
}

}  // namespace

ControlHeader ReadControlHeader(std::string_view mapping) {
  ControlHeader header;
  if (mapping.size() < kCommandOffset + 4 || Word(mapping, 0) != kSignature) return header;
  header.headerSize = Word(mapping, 8);
  header.entryCount = Word(mapping, 12);
  header.commandWord = Word(mapping, kCommandOffset);
  const std::uint64_t entries_end =
      std::uint64_t{header.headerSize} + std::uint64_t{header.entryCount} * kEntrySize;
  header.valid = header.headerSize > 35 && header.headerSize <= kMaxHeaderSize &&
                 header.entryCount <= kMaxEntries && Word(mapping, 16) == kEntrySize &&
                 entries_end <= mapping.size();
  return header;
}

std::wstring FindGpuIdentifier(std::string_view mapping, const std::wstring& deviceId) {
  const ControlHeader header = ReadControlHeader(mapping);
  if (!header.valid) return {};
  std::wstring first;
  for (std::uint32_t i = 0; i < header.entryCount; ++i) {
    const std::size_t entry = header.headerSize + std::size_t{i} * kEntrySize;
    if (Word(mapping, entry + kEntryInUseOffset) == 0) continue;
    // The text ends at its first NUL or at the field's end, whichever comes first.
    std::string_view text = mapping.substr(entry + kIdentifierOffset, kIdentifierMax);
    text = text.substr(0, text.find('\0'));
    if (!IsSafeFileStem(text)) continue;
    const std::wstring id(text.begin(), text.end());
    if (support::LowerCase(id).rfind(L"ven_10de", 0) != 0) continue;
    if (!deviceId.empty() && support::ContainsIgnoreCase(id, L"DEV_" + deviceId)) return id;
    if (first.empty()) first = id;
  }
  return first;
}

bool ControlMemoryIsForeign() {
  const auto trusted = platform::Sys().shared_memory.OwnedByAdministrators(kMappingName);
  return trusted && !*trusted;
}

std::wstring ReadGpuIdentifier(const std::wstring& deviceId) {
  const MutexHold hold;
  if (!hold.held()) return {};
  return FindGpuIdentifier(ReadControlBytes(), deviceId);
}

bool ApplyExportedCurve(const PciECard& card, platform::WindowHandle afterburnerWindow,
                        std::wstring& identifier) {
  auto& sys = platform::Sys();
  identifier.clear();
  // Step 1: read the entries and write the command while Afterburner cannot touch them.
  {
    const MutexHold hold;
    if (!hold.held()) return false;
    const std::string mapping = ReadControlBytes();
    if (!ReadControlHeader(mapping).valid) return false;
    identifier = FindGpuIdentifier(mapping, card.deviceId);
    if (!sys.shared_memory.WriteMapping(kMappingName, kCommandOffset, WordBytes(kApplyCommand))) {
      return false;
    }
  }
  // Step 2: wake Afterburner, then give it a bounded time to take the command.
  (void)sys.desktop.PostRegisteredMessage(afterburnerWindow, kNotification);
  for (int check = 0; check < kTakeChecks; ++check) {
    if (CommandTaken()) return true;
    sys.clock.Sleep(kTakeCheckPauseMs);
  }
  return false;
}
