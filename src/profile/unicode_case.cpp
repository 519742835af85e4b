#include "profile/unicode_case.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/utf8.h"

namespace quillet {
namespace {

struct UpperRange {
  char32_t first;
  char32_t last;
  std::int32_t delta;
  std::uint8_t step;  // 1: every character of the range; 2: every other one
};

constexpr UpperRange kUpperRanges[] = {
#include "profile/unicode_upper_table.inc"
};

// Bytes that are not UTF-8 stand for themselves, beyond every character.
constexpr char32_t kRawByteBase = 0x110000;

// The next character of text at i, upper-cased; advances i.
char32_t NextUpper(std::string_view text, std::size_t& i) {
  char32_t c = 0;
  const std::size_t length = platform::DecodeUtf8(text, i, c, /*allow_surrogates=*/true);
  if (length == 0) {
    return kRawByteBase + static_cast<unsigned char>(text[i++]);
  }
  i += length;
  return UnicodeUpper(c);
}

}  // namespace

char32_t UnicodeUpper(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  // The last range that starts at or before c.
  const auto* after =
      std::upper_bound(std::begin(kUpperRanges), std::end(kUpperRanges), c,
                       [](char32_t value, const UpperRange& range) { return value < range.first; });
  if (after == std::begin(kUpperRanges)) return c;
  const UpperRange& range = *(after - 1);
  if (c > range.last || (c - range.first) % range.step != 0) return c;
  return static_cast<char32_t>(static_cast<std::int32_t>(c) + range.delta);
}

bool Utf8EqualIgnoringCase(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (NextUpper(a, i) != NextUpper(b, j)) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace quillet
