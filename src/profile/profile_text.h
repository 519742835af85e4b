// A profile file held in memory: the parser and editor behind the profile-file
// operations. It works on the file's text in its own encoding (the ANSI bytes as
// they are, UTF-8 after a UTF-8 byte order mark, UTF-16 files as UTF-8), so
// that every byte that an edit does not touch stays exactly as it was. Names and
// values handed in and out are in that same encoding.
//
// Reading: lines end at CR LF, LF or a lone CR; "[" starts a section header
// (name up to the first "]", blanks trimmed); ";" starts a comment; a line with
// "=" is a key line (key and value trimmed of spaces and tabs, one outer pair of
// matching quotes removed from the value); anything else is a plain entry line.
// Only the first section of a name counts, and in it the first key of a name.
// Names match without regard to case, character by character in upper case:
// in UTF-8 and UTF-16 files every Unicode letter (Émile is émile); in ANSI
// files the characters as the ANSI code page defines them (platform::AnsiToUtf8:
// the system's on Windows, so a double-byte character never matches half of
// another; Windows-1252 elsewhere).
//
// Editing keeps every other line byte for byte, including its own line ending;
// new lines take the file's line ending (the first one in the file, CR LF when
// there is none).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

enum class ProfileEncoding {
  kAnsi,     // no byte order mark: bytes in the ANSI code page
  kUtf8Bom,  // starts with EF BB BF; kept on writing
  kUtf16Le,  // starts with FF FE; held as UTF-8, written back as UTF-16 LE
  kUtf16Be,  // starts with FE FF; held as UTF-8, written back as UTF-16 BE
};

// What an edit did.
enum class EditOutcome {
  kChanged,    // the text was changed
  kUnchanged,  // nothing to do: the text already said so
  kRefused,    // a name or value that cannot be stored safely; nothing changed
};

struct EditResult {
  EditOutcome outcome = EditOutcome::kUnchanged;
  std::string reason;  // why it was refused
};

class ProfileText {
 public:
  // An empty file (a file that does not exist yet): ANSI, no lines.
  ProfileText() = default;

  // Takes a file's bytes; any bytes at all.
  static ProfileText FromFileBytes(std::string bytes);

  // The bytes to store: the byte order mark, if any, and the text in the file's
  // encoding. FromFileBytes(b).FileBytes() == b for every b.
  std::string FileBytes() const;

  ProfileEncoding Encoding() const { return encoding_; }

  // The text in its working form (see above).
  const std::string& Text() const { return text_; }

  // The value of key in the first section named section, raw quotes removed;
  // nullopt when the section or key is missing. Names are trimmed of spaces.
  std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;

  // The key names of the first section named section, in file order, each
  // followed by one NUL; empty when the section is missing or holds no key line.
  std::string KeyNames(std::string_view section) const;

  // The value of the first key line of the section; nullopt when it has none.
  std::optional<std::string_view> FirstKeyValue(std::string_view section) const;

  // Sets key to value: replaces the value of an existing key in its own line, or
  // adds "key=value" after the section's last key line (right after the header
  // when it has none), or adds the section at the end of the text.
  EditResult SetValue(std::string_view section, std::string_view key, std::string_view value);

  // Replaces the entry lines (key lines and lines without "=") of the section
  // with the NUL-separated entries of body, written right after the header;
  // comment and blank lines stay. An empty entry ends the body. A missing
  // section is added at the end of the text.
  EditResult ReplaceSection(std::string_view section, std::string_view body);

  // Removes the line of the first key of that name in the section. Nothing to
  // remove is not an error (kUnchanged).
  EditResult DeleteKey(std::string_view section, std::string_view key);

 private:
  struct SectionSpan {
    std::size_t header_begin;  // start of the header line
    std::size_t body_begin;    // start of the line after the header
    std::size_t body_end;      // start of the next header line, or the end
  };

  std::optional<SectionSpan> FindSection(std::string_view name) const;
  bool NamesMatch(std::string_view a, std::string_view b) const;
  std::string_view LineEnding() const;
  void AppendSection(std::string_view name, std::string_view lines);

  ProfileEncoding encoding_ = ProfileEncoding::kAnsi;
  std::string text_;
  std::string odd_byte_;  // a UTF-16 file's last byte when its length is odd
};

// Text of a UTF-16 LE file (without its mark) as UTF-8; unpaired surrogates are
// kept in the 3-byte form so that Utf8ToUtf16Le gives back the same bytes.
std::string Utf16LeToUtf8(std::string_view bytes);

// UTF-8 (with unpaired surrogates in the 3-byte form) to UTF-16 LE bytes; each
// invalid byte becomes U+FFFD.
std::string Utf8ToUtf16Le(std::string_view text);

// The same for UTF-16 BE files.
std::string Utf16BeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Be(std::string_view text);

}  // namespace quillet
