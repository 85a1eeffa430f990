// A small JSON reader for answers from the network: the whole text is parsed into a tree
// or refused. Bounded so hostile input cannot exhaust the stack or memory: at most 1 MiB
// of text, 32 levels of nesting and 20000 values. Numbers are kept as their text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace support {

struct JsonMember;

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;                 // a string's UTF-8 value, or a number as written
  std::vector<JsonValue> items;     // an array
  std::vector<JsonMember> members;  // an object, in order

  // The first member named `name`, or null (also for anything but an object).
  const JsonValue* Find(std::string_view name) const;
  // The member's string value; nullopt when missing or not a string.
  std::optional<std::string> StringAt(std::string_view name) const;
};

struct JsonMember {
  std::string name;
  JsonValue value;
};

inline constexpr std::size_t kMaxJsonText = 1u << 20;
inline constexpr int kMaxJsonDepth = 32;
inline constexpr std::size_t kMaxJsonValues = 20000;

// The tree, or nullopt for anything but exactly one well-formed value within the bounds
// (blanks around it allowed).
std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace support
