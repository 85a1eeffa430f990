#include "support/json_reader.h"

#include <cstdint>
#include <utility>

namespace support {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<JsonValue> Document() {
    JsonValue value;
    SkipBlanks();
    if (!Value(value, 0)) return std::nullopt;
    SkipBlanks();
    if (at_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
      ++at_;
    }
  }

  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (++values_ > kMaxJsonValues || depth > kMaxJsonDepth || at_ >= text_.size()) return false;
    switch (text_[at_]) {
      case '{':
        return Object(out, depth);
      case '[':
        return Array(out, depth);
      case '"':
        out.kind = JsonValue::Kind::kString;
        return String(out.text);
      case 't':
        out.kind = JsonValue::Kind::kBool;
        out.boolean = true;
        return Literal("true");
      case 'f':
        out.kind = JsonValue::Kind::kBool;
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        out.kind = JsonValue::Kind::kNumber;
        return Number(out.text);
    }
  }

  bool Digits() {
    const std::size_t start = at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    return at_ > start;
  }

  // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  bool Number(std::string& out) {
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (!Digits()) {
      return false;
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!Digits()) return false;
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!Digits()) return false;
    }
    out = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool Hex4(std::uint32_t& code) {
    if (at_ + 4 > text_.size()) return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        code |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        code |= static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }

  static void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // \uXXXX, a surrogate pair joined; a lone surrogate becomes U+FFFD.
  bool Escape(std::string& out) {
    std::uint32_t code = 0;
    if (!Hex4(code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
      const std::size_t back = at_;
      at_ += 2;
      std::uint32_t low = 0;
      if (Hex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
        return true;
      }
      at_ = back;
    }
    AppendUtf8(out, code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code);
    return true;
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          if (!Escape(out)) return false;
          break;
        default:
          return false;
      }
    }
    return false;
  }

  bool Array(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kArray;
    ++at_;
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
    for (;;) {
      SkipBlanks();
      out.items.emplace_back();
      if (!Value(out.items.back(), depth + 1)) return false;
      SkipBlanks();
      if (at_ >= text_.size()) return false;
      const char c = text_[at_++];
      if (c == ']') return true;
      if (c != ',') return false;
    }
  }

  bool Object(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kObject;
    ++at_;
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
    for (;;) {
      SkipBlanks();
      if (at_ >= text_.size() || text_[at_] != '"') return false;
      std::string name;
      if (!String(name)) return false;
      SkipBlanks();
      if (at_ >= text_.size() || text_[at_++] != ':') return false;
      SkipBlanks();
      out.members.push_back(JsonMember{std::move(name), JsonValue{}});
      if (!Value(out.members.back().value, depth + 1)) return false;
      SkipBlanks();
      if (at_ >= text_.size()) return false;
      const char c = text_[at_++];
      if (c == '}') return true;
      if (c != ',') return false;
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t values_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
  if (kind != Kind::kObject) return nullptr;
  for (const JsonMember& member : members) {
    if (member.name == name) return &member.value;
  }
  return nullptr;
}

std::optional<std::string> JsonValue::StringAt(std::string_view name) const {
  const JsonValue* value = Find(name);
  if (value == nullptr || value->kind != Kind::kString) return std::nullopt;
  return value->text;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
  if (text.size() > kMaxJsonText) return std::nullopt;
  return Parser(text).Document();
}

}  // namespace support
