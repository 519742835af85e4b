// A strict little JSON reader for the tests: it accepts only what RFC 8259
// allows (no raw control characters in strings, valid escapes and UTF-8,
// nothing after the value but white space) and gives the value back, with
// strings decoded to UTF-8.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/utf8.h"

namespace quillet::cli::testing {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;  // in the order written
};

class JsonReader {
 public:
  // The value of `text`, or nothing (with `error` set) when it is not JSON.
  static std::optional<JsonValue> Parse(std::string_view text, std::string* error = nullptr) {
    JsonReader reader(text);
    std::optional<JsonValue> value = reader.Value();
    reader.SkipSpace();
    if (value && reader.at_ != text.size()) value = reader.Fail("text after the value");
    if (!value && error != nullptr) *error = reader.error_ + " at " + std::to_string(reader.at_);
    return value;
  }

 private:
  explicit JsonReader(std::string_view text) : text_(text) {}

  std::nullopt_t Fail(const char* what) {
    if (error_.empty()) error_ = what;
    return std::nullopt;
  }

  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool Take(char c) {
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  bool TakeWord(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  std::optional<JsonValue> Value() {
    SkipSpace();
    if (at_ >= text_.size()) return Fail("no value");
    JsonValue value;
    const char c = text_[at_];
    if (c == '[') {
      ++at_;
      value.kind = JsonValue::Kind::kArray;
      if (Take(']')) return value;
      do {
        std::optional<JsonValue> item = Value();
        if (!item) return std::nullopt;
        value.items.push_back(std::move(*item));
      } while (Take(','));
      if (!Take(']')) return Fail("no ] after the array");
      return value;
    }
    if (c == '{') {
      ++at_;
      value.kind = JsonValue::Kind::kObject;
      if (Take('}')) return value;
      do {
        SkipSpace();
        std::optional<std::string> key = String();
        if (!key) return std::nullopt;
        if (!Take(':')) return Fail("no : after a key");
        std::optional<JsonValue> member = Value();
        if (!member) return std::nullopt;
        value.members.emplace_back(std::move(*key), std::move(*member));
      } while (Take(','));
      if (!Take('}')) return Fail("no } after the object");
      return value;
    }
    if (c == '"') {
      std::optional<std::string> text = String();
      if (!text) return std::nullopt;
      value.kind = JsonValue::Kind::kString;
      value.text = std::move(*text);
      return value;
    }
    if (TakeWord("true") || TakeWord("false")) {
      value.kind = JsonValue::Kind::kBool;
      value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
      return value;
    }
    if (TakeWord("null")) return value;
    // A number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    const std::size_t start = at_;
    if (text_[at_] == '-') ++at_;
    const auto digits = [&] {
      const std::size_t first = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ - first;
    };
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (digits() == 0) {
      return Fail("not a value");
    }
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (digits() == 0) return Fail("no digits after the point");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (digits() == 0) return Fail("no digits in the exponent");
    }
    value.kind = JsonValue::Kind::kNumber;
    value.number = std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
    return value;
  }

  std::optional<unsigned> Hex4() {
    if (at_ + 4 > text_.size()) return std::nullopt;
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      value <<= 4;
      if (c >= '0' && c <= '9') {
        value |= static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<unsigned>(c - 'A' + 10);
      } else {
        return std::nullopt;
      }
    }
    return value;
  }

  std::optional<std::string> String() {
    if (at_ >= text_.size() || text_[at_] != '"') return Fail("no string");
    ++at_;
    std::string out;
    for (;;) {
      if (at_ >= text_.size()) return Fail("unterminated string");
      const unsigned char c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return out;
      }
      if (c < 0x20) return Fail("raw control character in a string");
      if (c >= 0x80) {
        char32_t cp = 0;
        const std::size_t length = platform::DecodeUtf8(text_, at_, cp);
        if (length == 0) return Fail("not UTF-8");
        out.append(text_.substr(at_, length));
        at_ += length;
        continue;
      }
      ++at_;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (at_ >= text_.size()) return Fail("unterminated escape");
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
        case 'u': {
          std::optional<unsigned> unit = Hex4();
          if (!unit) return Fail("bad \\u escape");
          char32_t cp = *unit;
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (!TakeWord("\\u")) return Fail("lone high surrogate");
            std::optional<unsigned> low = Hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return Fail("bad low surrogate");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return Fail("lone low surrogate");
          }
          platform::AppendUtf8(out, cp);
          break;
        }
        default:
          return Fail("unknown escape");
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace quillet::cli::testing
