#include "update/update_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "support/json_reader.h"
#include "support/utf.h"
#include "update/update_address.h"

namespace update {
namespace {

constexpr wchar_t kNotJson[] = L"The update list is not valid JSON.";
constexpr std::size_t kMaxNotes = 2000;

UpdateListVerdict Refuse(std::wstring error) { return {std::nullopt, std::move(error)}; }

// Only flat members are expected; a number with an exponent or beyond 64 bits is refused
// rather than guessed at.
bool HasOnlyPlainMembers(const support::JsonValue& list) {
  return std::all_of(list.members.begin(), list.members.end(), [](const auto& member) {
    const support::JsonValue& value = member.value;
    if (value.kind == support::JsonValue::Kind::kArray ||
        value.kind == support::JsonValue::Kind::kObject) {
      return false;
    }
    if (value.kind != support::JsonValue::Kind::kNumber) return true;
    if (value.text.find_first_of("eE") != std::string::npos) return false;
    const std::string_view digits =
        std::string_view(value.text)
            .substr(value.text[0] == '-' ? 1 : 0,
                    value.text.find('.') - (value.text[0] == '-' ? 1 : 0));
    std::uint64_t ignored = 0;
    return std::from_chars(digits.data(), digits.data() + digits.size(), ignored).ec == std::errc{};
  });
}

// The integer part of "size"; nullopt when absent, not a number or negative.
std::optional<std::uint64_t> SizeOf(const support::JsonValue& list) {
  const support::JsonValue* size = list.Find("size");
  if (!size || size->kind != support::JsonValue::Kind::kNumber || size->text[0] == '-') {
    return std::nullopt;
  }
  std::uint64_t bytes = 0;
  std::from_chars(size->text.data(), size->text.data() + size->text.size(), bytes);
  return bytes;
}

std::wstring CleanChecksum(const std::string& text) {
  std::wstring clean;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    clean += static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(c)));
  }
  return clean;
}

bool IsSha256Hex(const std::wstring& text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](wchar_t c) {
           return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
         });
}

}  // namespace

UpdateListVerdict ReadUpdateList(std::string_view body, const ProductVersion& current,
                                 const UpdateEndpoints& hosts) {
  if (body.size() > kMaxUpdateListBytes) return Refuse(L"The update list is too large.");
  const std::size_t start = body.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || body[start] != '{') {
    return Refuse(L"The update list is not a JSON object.");
  }
  const std::optional<support::JsonValue> list = support::ParseJson(body);
  if (!list || !HasOnlyPlainMembers(*list)) return Refuse(kNotJson);

  AppUpdate found;
  found.version = support::FromUtf8(list->StringAt("version").value_or(""));
  const std::optional<ProductVersion> version = ParseProductVersion(found.version);
  if (!version) return Refuse(L"The update list's version is not a number like 1.12.1.");
  if (*version <= current) return {};

  found.url = support::FromUtf8(list->StringAt("url").value_or(""));
  if (std::wstring error = CheckDownloadAddress(hosts, found.url); !error.empty()) {
    return Refuse(std::move(error));
  }
  found.sha256 = CleanChecksum(list->StringAt("sha256").value_or(""));
  if (!IsSha256Hex(found.sha256)) return Refuse(L"The update list's sha256 is not 64 hex digits.");
  const std::optional<std::uint64_t> size = SizeOf(*list);
  if (size && (*size == 0 || *size > kMaxReleaseBytes)) {
    return Refuse(L"The update list's size is not a Veltrane executable.");
  }
  found.size = size.value_or(0);
  found.notes = support::FromUtf8(list->StringAt("notes").value_or(""));
  if (found.notes.size() > kMaxNotes) found.notes.resize(kMaxNotes);
  return {std::move(found), L""};
}

}  // namespace update
