// Feeds arbitrary bytes to the profile-file parser and editor and applies a few
// reads and edits with names and values taken from the input, checking that
// nothing crashes and that the edits keep their promises:
// - the file's bytes come back unchanged when nothing is edited;
// - a refused edit changes nothing;
// - a written value reads back as written, and writing it again changes nothing;
// - the lines around an edit stay byte for byte (line endings included).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "profile/profile_text.h"

namespace {

using quillet::EditOutcome;
using quillet::ProfileText;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// Splits text into lines with their endings, by a plain byte loop that is
// independent of the engine's own scanning.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r') {
      i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      lines.push_back(text.substr(begin, i - begin));
      begin = i;
    } else if (text[i] == '\n') {
      ++i;
      lines.push_back(text.substr(begin, i - begin));
      begin = i;
    } else {
      ++i;
    }
  }
  if (begin < text.size()) lines.push_back(text.substr(begin));
  return lines;
}

std::string_view Trim(std::string_view s, std::string_view blanks) {
  while (!s.empty() && blanks.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
  while (!s.empty() && blanks.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view v) {
  if (v.size() > 1 && v.front() == v.back() && (v.front() == '"' || v.front() == '\'')) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// Names that read back as themselves once the engine has trimmed their spaces:
// tabs at the ends are trimmed by the reader only.
bool ReadsBack(std::string_view name) {
  const std::string_view trimmed = Trim(name, " ");
  return Trim(trimmed, " \t") == trimmed;
}

bool IsCommentOrBlank(std::string_view line) {
  const std::string_view content = Trim(Trim(line, "\r\n"), " \t");
  return content.empty() || content.front() == ';';
}

// The lines that differ between before and after, once the common first and
// last lines are taken off.
struct Middle {
  std::vector<std::string_view> before;
  std::vector<std::string_view> after;
};

Middle Differing(const std::string& before, const std::string& after) {
  const auto old_lines = Lines(before);
  const auto new_lines = Lines(after);
  std::size_t head = 0;
  while (head < old_lines.size() && head < new_lines.size() && old_lines[head] == new_lines[head]) {
    ++head;
  }
  std::size_t tail = 0;
  while (tail < old_lines.size() - head && tail < new_lines.size() - head &&
         old_lines[old_lines.size() - 1 - tail] == new_lines[new_lines.size() - 1 - tail]) {
    ++tail;
  }
  Middle middle;
  middle.before.assign(old_lines.begin() + head, old_lines.end() - tail);
  middle.after.assign(new_lines.begin() + head, new_lines.end() - tail);
  return middle;
}

void CheckSetValue(ProfileText& text, const std::string& section, const std::string& key,
                   const std::string& value) {
  const std::string before = text.Text();
  const auto result = text.SetValue(section, key, value);
  if (result.outcome != EditOutcome::kChanged) {
    Check(text.Text() == before, "a refused or needless write changed the text");
  }
  if (result.outcome == EditOutcome::kRefused) return;
  // At most one old line is touched: the key's own, or an unterminated last
  // line that gains its ending.
  Check(Differing(before, text.Text()).before.size() <= 1, "a write touched other lines");
  // Writing the same again changes nothing.
  const std::string after = text.Text();
  Check(text.SetValue(section, key, value).outcome == EditOutcome::kUnchanged,
        "the same write again was not a no-op");
  Check(text.Text() == after, "the same write again changed the text");
  if (ReadsBack(section) && ReadsBack(key)) {
    const auto read = text.FindValue(section, key);
    Check(read.has_value(), "a written key is missing");
    Check(*read == Unquote(Trim(value, " \t")), "a written value reads back differently");
  }
}

void CheckReplaceSection(ProfileText& text, const std::string& section, const std::string& body) {
  const std::string before = text.Text();
  const auto result = text.ReplaceSection(section, body);
  if (result.outcome != EditOutcome::kChanged) {
    Check(text.Text() == before, "a refused or needless section write changed the text");
  }
  if (result.outcome == EditOutcome::kRefused) return;
  // Comment and blank lines of the section stay, in their order.
  const Middle middle = Differing(before, text.Text());
  std::size_t next = 0;
  for (std::size_t i = 0; i < middle.before.size(); ++i) {
    const std::string_view line = middle.before[i];
    const bool last_unterminated =
        i + 1 == middle.before.size() && line.back() != '\n' && line.back() != '\r';
    if (!IsCommentOrBlank(line) || last_unterminated) continue;
    while (next < middle.after.size() && middle.after[next] != line) ++next;
    Check(next < middle.after.size(), "a section write lost a comment or blank line");
    ++next;
  }
  if (ReadsBack(section)) {
    std::string expected;
    std::string_view rest = body;
    while (!rest.empty()) {
      const std::size_t nul = rest.find('\0');
      const std::string_view entry = rest.substr(0, nul);
      if (entry.empty()) break;
      const std::string_view content = Trim(entry, " \t");
      const std::size_t eq = entry.find('=');
      if (!content.empty() && content.front() != ';' && eq != std::string_view::npos) {
        expected.append(Trim(entry.substr(0, eq), " \t"));
        expected.push_back('\0');
      }
      if (nul == std::string_view::npos) break;
      rest.remove_prefix(nul + 1);
    }
    Check(text.KeyNames(section) == expected, "a section write gave other keys");
  }
}

void CheckDeleteKey(ProfileText& text, const std::string& section, const std::string& key) {
  const std::string before = text.Text();
  const std::string names_before = text.KeyNames(section);
  const bool existed = text.FindValue(section, key).has_value();
  const auto result = text.DeleteKey(section, key);
  Check(result.outcome != EditOutcome::kRefused, "a delete was refused");
  Check((result.outcome == EditOutcome::kChanged) == existed, "a delete missed its key");
  if (!existed) {
    Check(text.Text() == before, "a needless delete changed the text");
    return;
  }
  Check(Differing(before, text.Text()).before.size() <= 1, "a delete touched other lines");
  Check(text.KeyNames(section).size() < names_before.size(), "a delete left its key listed");
}

// The section names of the text's header lines, found the plain way.
std::vector<std::string> HeaderNames(std::string_view text) {
  std::vector<std::string> names;
  for (const std::string_view line : Lines(text)) {
    const std::string_view content = Trim(Trim(line, "\r\n"), " \t");
    if (content.empty() || content.front() != '[') continue;
    names.emplace_back(Trim(content.substr(1, content.find(']') - 1), " \t"));
  }
  return names;
}

std::vector<std::string> Split(std::string_view list) {
  std::vector<std::string> parts;
  while (!list.empty()) {
    const std::size_t nul = list.find('\0');
    parts.emplace_back(list.substr(0, nul));
    if (nul == std::string_view::npos) break;
    list.remove_prefix(nul + 1);
  }
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  struct Operation {
    std::uint8_t code;
    std::string section;
    std::string key;
    std::string value;
  };
  std::vector<Operation> operations(input.ConsumeIntegralInRange(0, 4));
  for (Operation& op : operations) {
    op.code = input.ConsumeIntegral<std::uint8_t>();
    op.section = input.ConsumeRandomLengthString(64);
    op.key = input.ConsumeRandomLengthString(64);
    op.value = input.ConsumeRandomLengthString(64);
  }
  const std::string bytes = input.ConsumeRemainingBytesAsString();

  ProfileText text = ProfileText::FromFileBytes(bytes);
  Check(text.FileBytes() == bytes, "the bytes did not survive a load and save");

  for (Operation& op : operations) {
    // Names taken from the text itself, so that edits meet existing sections
    // and keys far more often than random names would.
    if (op.code & 0x10) {
      const auto headers = HeaderNames(text.Text());
      if (!headers.empty()) op.section = headers[op.code % headers.size()];
    }
    if (op.code & 0x20) {
      const auto keys = Split(text.KeyNames(op.section));
      if (!keys.empty()) op.key = keys[(op.code >> 6) % keys.size()];
    }
    // Reads first: whatever the text, they must not crash.
    (void)text.FindValue(op.section, op.key);
    (void)text.KeyNames(op.section);
    (void)text.FirstKeyValue(op.section);
    switch (op.code % 4) {
      case 0:
      case 3:
        CheckSetValue(text, op.section, op.key, op.value);
        break;
      case 1:
        CheckReplaceSection(text, op.section, op.value);
        break;
      default:
        CheckDeleteKey(text, op.section, op.key);
        break;
    }
  }
  (void)text.FileBytes();
  return 0;
}
