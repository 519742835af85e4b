#include "profile/profile_text.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/utf8.h"
#include "profile/unicode_case.h"

namespace quillet {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

// One line of the text: [begin, end) is its content, [end, next) its ending
// (CR LF, LF, CR, or nothing for an unterminated last line).
struct Line {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

// Walks the lines of a text from a given position. The position of the next LF
// is remembered across lines, so that a text with lone CR line ends is not
// searched to its end for every line.
class LineReader {
 public:
  LineReader(std::string_view text, std::size_t begin) : text_(text), pos_(begin) {}

  std::size_t Position() const { return pos_; }

  Line Next() {
    const char* data = text_.data();
    const std::size_t size = text_.size();
    if (lf_at_ == std::string_view::npos || lf_at_ < pos_) {
      // memchr scans far faster than a byte loop.
      const void* lf = std::memchr(data + pos_, '\n', size - pos_);
      lf_at_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
    }
    Line line{pos_, lf_at_, lf_at_ < size ? lf_at_ + 1 : size};
    if (const void* cr = std::memchr(data + pos_, '\r', lf_at_ - pos_)) {
      const auto cr_at = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
      line.end = cr_at;
      line.next = cr_at + 1 == lf_at_ && lf_at_ < size ? lf_at_ + 1 : cr_at + 1;
    }
    pos_ = line.next;
    return line;
  }

 private:
  std::string_view text_;
  std::size_t pos_;
  std::size_t lf_at_ = std::string_view::npos;
};

Line LineAt(std::string_view text, std::size_t begin) { return LineReader(text, begin).Next(); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

char FirstNonBlank(std::string_view s) {
  for (const char c : s) {
    if (!IsBlank(c)) return c;
  }
  return '\0';
}

enum class LineKind { kBlank, kComment, kHeader, kKey, kEntry };

struct ParsedLine {
  LineKind kind;
  std::string_view name;       // header name or key
  std::string_view raw_value;  // key line: the value trimmed, quotes kept
  std::size_t value_begin;     // key line: just after "=" and the blanks after it
};

ParsedLine ParseLine(std::string_view text, const Line& line) {
  std::size_t p = line.begin;
  while (p < line.end && IsBlank(text[p])) ++p;
  if (p == line.end) return {LineKind::kBlank, {}, {}, 0};
  if (text[p] == ';') return {LineKind::kComment, {}, {}, 0};
  if (text[p] == '[') {
    const std::string_view rest = text.substr(p + 1, line.end - p - 1);
    const std::size_t close = rest.find(']');
    return {LineKind::kHeader, TrimBlanks(rest.substr(0, close)), {}, 0};
  }
  const void* eq = std::memchr(text.data() + p, '=', line.end - p);
  if (eq == nullptr) return {LineKind::kEntry, {}, {}, 0};
  const auto eq_at = static_cast<std::size_t>(static_cast<const char*>(eq) - text.data());
  std::size_t value_begin = eq_at + 1;
  while (value_begin < line.end && IsBlank(text[value_begin])) ++value_begin;
  return {LineKind::kKey, TrimBlanks(text.substr(p, eq_at - p)),
          TrimBlanks(text.substr(value_begin, line.end - value_begin)), value_begin};
}

// Only the header test, for skipping through sections that do not matter.
bool IsHeaderLine(std::string_view text, const Line& line) {
  std::size_t p = line.begin;
  while (p < line.end && IsBlank(text[p])) ++p;
  return p < line.end && text[p] == '[';
}

std::string_view Unquote(std::string_view value) {
  if (value.size() > 1 && value.front() == value.back() &&
      (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

unsigned char AsciiLower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

EditResult Refused(std::string reason) { return {EditOutcome::kRefused, std::move(reason)}; }

// Names that would not read back as themselves are refused: a line break would
// inject lines, "]" would cut a section name, and a key holding "=" or starting
// with "[" or ";" would turn into another key, a header or a comment.
// A tab at either end would be trimmed off when the name is read back.
bool HasTabAtAnEnd(std::string_view name) {
  return !name.empty() && (name.front() == '\t' || name.back() == '\t');
}

std::optional<EditResult> CheckSectionName(std::string_view section) {
  if (HasLineBreak(section)) return Refused("the section name holds a line break");
  if (section.find(']') != std::string_view::npos) return Refused("the section name holds \"]\"");
  if (HasTabAtAnEnd(section)) return Refused("the section name starts or ends with a tab");
  return std::nullopt;
}

std::optional<EditResult> CheckKeyName(std::string_view key) {
  if (HasLineBreak(key)) return Refused("the key name holds a line break");
  if (HasTabAtAnEnd(key)) return Refused("the key name starts or ends with a tab");
  if (key.find('=') != std::string_view::npos) return Refused("the key name holds \"=\"");
  const char first = FirstNonBlank(key);
  if (first == '[' || first == ';') return Refused("the key name starts with \"[\" or \";\"");
  return std::nullopt;
}

void AppendUtf16Unit(std::string& out, char32_t unit, bool big_endian) {
  const char low = static_cast<char>(unit & 0xFF);
  const char high = static_cast<char>((unit >> 8) & 0xFF);
  out.push_back(big_endian ? high : low);
  out.push_back(big_endian ? low : high);
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unit_at = [&](std::size_t i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return static_cast<char32_t>(big_endian ? (first << 8) | second : first | (second << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t unit = unit_at(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const char32_t low = unit_at(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        platform::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    platform::AppendUtf8(out, unit);  // unpaired surrogates too, so that nothing is lost
  }
  return out;
}

std::string Utf8ToUtf16(std::string_view text, bool big_endian) {
  std::string out;
  out.reserve(text.size() * 2);
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    // Surrogates are allowed in the 3-byte form: they stand for the unpaired
    // ones of the file.
    const std::size_t len = platform::DecodeUtf8(text, i, cp, /*allow_surrogates=*/true);
    const bool valid = len != 0;
    if (!valid) {
      AppendUtf16Unit(out, 0xFFFD, big_endian);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      AppendUtf16Unit(out, 0xD800 + ((cp - 0x10000) >> 10), big_endian);
      AppendUtf16Unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), big_endian);
    } else {
      AppendUtf16Unit(out, cp, big_endian);
    }
    i += len;
  }
  return out;
}

}  // namespace

std::string Utf16LeToUtf8(std::string_view bytes) { return Utf16ToUtf8(bytes, false); }
std::string Utf8ToUtf16Le(std::string_view text) { return Utf8ToUtf16(text, false); }
std::string Utf16BeToUtf8(std::string_view bytes) { return Utf16ToUtf8(bytes, true); }
std::string Utf8ToUtf16Be(std::string_view text) { return Utf8ToUtf16(text, true); }

ProfileText ProfileText::FromFileBytes(std::string bytes) {
  ProfileText result;
  const std::string_view view = bytes;
  const bool little_endian = view.substr(0, kUtf16LeMark.size()) == kUtf16LeMark;
  if (little_endian || view.substr(0, kUtf16BeMark.size()) == kUtf16BeMark) {
    result.encoding_ = little_endian ? ProfileEncoding::kUtf16Le : ProfileEncoding::kUtf16Be;
    const std::string_view units = view.substr(kUtf16LeMark.size());
    result.text_ = Utf16ToUtf8(units.substr(0, units.size() & ~std::size_t{1}), !little_endian);
    if (units.size() % 2 != 0) result.odd_byte_ = units.substr(units.size() - 1);
  } else if (view.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    result.encoding_ = ProfileEncoding::kUtf8Bom;
    bytes.erase(0, kUtf8Mark.size());
    result.text_ = std::move(bytes);
  } else {
    result.text_ = std::move(bytes);
  }
  return result;
}

std::string ProfileText::FileBytes() const {
  switch (encoding_) {
    case ProfileEncoding::kUtf8Bom:
      return std::string(kUtf8Mark) + text_;
    case ProfileEncoding::kUtf16Le:
      return std::string(kUtf16LeMark) + Utf8ToUtf16Le(text_) + odd_byte_;
    case ProfileEncoding::kUtf16Be:
      return std::string(kUtf16BeMark) + Utf8ToUtf16Be(text_) + odd_byte_;
    case ProfileEncoding::kAnsi:
      break;
  }
  return text_;
}

bool ProfileText::NamesMatch(std::string_view a, std::string_view b) const {
  // Plain ASCII, by far the common case, is compared byte by byte. A byte below
  // 0x80 is a character of its own in every ANSI code page and in UTF-8, so
  // the first byte that is not ends a run of whole characters.
  std::size_t i = 0;
  const std::size_t common = std::min(a.size(), b.size());
  for (; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if ((x | y) & 0x80) break;
    if (AsciiLower(x) != AsciiLower(y)) return false;
  }
  if (i == common) return a.size() == b.size();
  a.remove_prefix(i);
  b.remove_prefix(i);
  if (encoding_ != ProfileEncoding::kAnsi) return Utf8EqualIgnoringCase(a, b);
  // The code page says which bytes make one character and what it is.
  return Utf8EqualIgnoringCase(platform::AnsiToUtf8(a), platform::AnsiToUtf8(b));
}

std::string_view ProfileText::LineEnding() const {
  const std::size_t at = text_.find_first_of("\r\n");
  if (at == std::string::npos) return "\r\n";
  if (text_[at] == '\n') return "\n";
  return at + 1 < text_.size() && text_[at + 1] == '\n' ? "\r\n" : "\r";
}

std::optional<ProfileText::SectionSpan> ProfileText::FindSection(std::string_view name) const {
  const std::string_view text = text_;
  LineReader lines(text, 0);
  while (lines.Position() < text.size()) {
    const Line line = lines.Next();
    if (!IsHeaderLine(text, line)) continue;
    if (!NamesMatch(ParseLine(text, line).name, name)) continue;
    SectionSpan span{line.begin, line.next, text.size()};
    while (lines.Position() < text.size()) {
      const Line body_line = lines.Next();
      if (IsHeaderLine(text, body_line)) {
        span.body_end = body_line.begin;
        break;
      }
    }
    return span;
  }
  return std::nullopt;
}

std::optional<std::string_view> ProfileText::FindValue(std::string_view section,
                                                       std::string_view key) const {
  const auto span = FindSection(TrimSpaces(section));
  if (!span) return std::nullopt;
  key = TrimSpaces(key);
  const std::string_view text = text_;
  for (LineReader lines(text, span->body_begin); lines.Position() < span->body_end;) {
    const Line line = lines.Next();
    const ParsedLine parsed = ParseLine(text, line);
    if (parsed.kind == LineKind::kKey && NamesMatch(parsed.name, key)) {
      return Unquote(parsed.raw_value);
    }
  }
  return std::nullopt;
}

std::string ProfileText::KeyNames(std::string_view section) const {
  std::string names;
  const auto span = FindSection(TrimSpaces(section));
  if (!span) return names;
  const std::string_view text = text_;
  for (LineReader lines(text, span->body_begin); lines.Position() < span->body_end;) {
    const Line line = lines.Next();
    const ParsedLine parsed = ParseLine(text, line);
    if (parsed.kind == LineKind::kKey) {
      names.append(parsed.name);
      names.push_back('\0');
    }
  }
  return names;
}

std::optional<std::string_view> ProfileText::FirstKeyValue(std::string_view section) const {
  const auto span = FindSection(TrimSpaces(section));
  if (!span) return std::nullopt;
  const std::string_view text = text_;
  for (LineReader lines(text, span->body_begin); lines.Position() < span->body_end;) {
    const Line line = lines.Next();
    const ParsedLine parsed = ParseLine(text, line);
    if (parsed.kind == LineKind::kKey) return Unquote(parsed.raw_value);
  }
  return std::nullopt;
}

void ProfileText::AppendSection(std::string_view name, std::string_view lines) {
  const std::string_view eol = LineEnding();
  if (!text_.empty() && text_.back() != '\n' && text_.back() != '\r') text_.append(eol);
  text_.push_back('[');
  text_.append(name);
  text_.push_back(']');
  text_.append(eol);
  text_.append(lines);
}

EditResult ProfileText::SetValue(std::string_view section, std::string_view key,
                                 std::string_view value) {
  section = TrimSpaces(section);
  key = TrimSpaces(key);
  if (auto refused = CheckSectionName(section)) return *refused;
  if (auto refused = CheckKeyName(key)) return *refused;
  if (HasLineBreak(value)) return Refused("the value holds a line break");

  const std::string eol(LineEnding());
  const auto span = FindSection(section);
  if (!span) {
    std::string lines;
    lines.append(key).append("=").append(value).append(eol);
    AppendSection(section, lines);
    return {EditOutcome::kChanged, {}};
  }

  const std::string_view text = text_;
  std::optional<Line> last_key;
  for (LineReader lines(text, span->body_begin); lines.Position() < span->body_end;) {
    const Line line = lines.Next();
    const ParsedLine parsed = ParseLine(text, line);
    if (parsed.kind != LineKind::kKey) continue;
    if (NamesMatch(parsed.name, key)) {
      // Only the very same text counts as equal: "a,b" and a,b read alike but
      // are one field and two to the CAB Wizard.
      if (parsed.raw_value == value) return {EditOutcome::kUnchanged, {}};
      // The key's spelling, the "=" and the blanks after it stay; so does the
      // line ending. A value that brings blanks of its own at the front follows
      // the "=" directly, so that the line it makes is the line it finds next
      // time: writing it again changes nothing.
      const std::size_t after_equals = text.find('=', line.begin) + 1;
      const std::string_view written = text.substr(after_equals, line.end - after_equals);
      if (written.size() >= value.size() &&
          written.substr(written.size() - value.size()) == value &&
          TrimBlanks(written.substr(0, written.size() - value.size())).empty()) {
        return {EditOutcome::kUnchanged, {}};
      }
      const std::size_t value_at =
          !value.empty() && IsBlank(value.front()) ? after_equals : parsed.value_begin;
      text_.replace(value_at, line.end - value_at, value);
      return {EditOutcome::kChanged, {}};
    }
    last_key = line;
  }

  // After the last key line, so that the first key stays first; right after
  // the header when the section has none.
  const Line anchor = last_key ? *last_key : LineAt(text, span->header_begin);
  std::string insert;
  if (anchor.end == anchor.next) insert.append(eol);  // unterminated last line
  insert.append(key).append("=").append(value).append(eol);
  // A lone CR before the LF of the next line would join them into one break.
  if (anchor.next < text_.size() && text_[anchor.next] == '\n' && insert.back() == '\r') {
    insert.push_back('\n');
  }
  text_.insert(anchor.next, insert);
  return {EditOutcome::kChanged, {}};
}

EditResult ProfileText::ReplaceSection(std::string_view section, std::string_view body) {
  section = TrimSpaces(section);
  if (auto refused = CheckSectionName(section)) return *refused;
  const std::string eol(LineEnding());
  std::string entries;
  while (!body.empty()) {
    const std::size_t nul = body.find('\0');
    const std::string_view entry = body.substr(0, nul);
    if (entry.empty()) break;  // an empty entry ends the list
    if (HasLineBreak(entry)) return Refused("an entry of the section holds a line break");
    if (FirstNonBlank(entry) == '[') return Refused("an entry of the section starts with \"[\"");
    entries.append(entry).append(eol);
    if (nul == std::string_view::npos) break;
    body.remove_prefix(nul + 1);
  }

  const auto span = FindSection(section);
  if (!span) {
    AppendSection(section, entries);
    return {EditOutcome::kChanged, {}};
  }

  const std::string_view text = text_;
  std::string replacement;
  // A header on the unterminated last line needs a break before the entries.
  if (span->body_begin == text.size() && span->body_begin > 0 &&
      text[span->body_begin - 1] != '\n' && text[span->body_begin - 1] != '\r' &&
      !entries.empty()) {
    replacement.append(eol);
  }
  replacement.append(entries);
  auto last_char = [&] {
    if (!replacement.empty()) return replacement.back();
    return span->body_begin > 0 ? text[span->body_begin - 1] : '\0';
  };
  for (LineReader lines(text, span->body_begin); lines.Position() < span->body_end;) {
    const Line line = lines.Next();
    const LineKind kind = ParseLine(text, line).kind;
    if (kind != LineKind::kBlank && kind != LineKind::kComment) continue;  // an old entry goes
    // Comment and blank lines stay as they are. One that starts with LF must
    // not follow a lone CR, which would join the two into one break.
    if (text[line.begin] == '\n' && last_char() == '\r') replacement.append("\r\n");
    replacement.append(text.substr(line.begin, line.next - line.begin));
  }

  if (text.substr(span->body_begin, span->body_end - span->body_begin) == replacement) {
    return {EditOutcome::kUnchanged, {}};
  }
  text_.replace(span->body_begin, span->body_end - span->body_begin, replacement);
  return {EditOutcome::kChanged, {}};
}

EditResult ProfileText::DeleteKey(std::string_view section, std::string_view key) {
  const auto span = FindSection(TrimSpaces(section));
  if (!span) return {EditOutcome::kUnchanged, {}};
  key = TrimSpaces(key);
  const std::string_view text = text_;
  for (LineReader lines(text, span->body_begin); lines.Position() < span->body_end;) {
    const Line line = lines.Next();
    const ParsedLine parsed = ParseLine(text, line);
    if (parsed.kind != LineKind::kKey || !NamesMatch(parsed.name, key)) continue;
    // Between a lone CR and a line that starts with LF the removed line leaves
    // an empty one behind, so that the two neighbours keep their own breaks.
    const bool joins = line.begin > 0 && text[line.begin - 1] == '\r' && line.next < text.size() &&
                       text[line.next] == '\n';
    text_.replace(line.begin, line.next - line.begin, joins ? "\r\n" : "");
    return {EditOutcome::kChanged, {}};
  }
  return {EditOutcome::kUnchanged, {}};
}

}  // namespace quillet
