// Profile-file access: the six operations through which the tool reads and
// edits the distribution INF and its own settings file. Arguments are always in
// the order file, section, key, value; texts are UTF-8 and cross to the file's
// encoding (the ANSI code page unless the file starts with a UTF-8 or UTF-16
// byte order mark) inside the engine.
//
// Reads follow the Windows profile functions: names match without regard to
// case, spaces and tabs around names and values are ignored, one outer pair of
// matching quotes is removed from a value, ";" lines are comments, only the
// first section of a name counts. Anything missing reads as empty text.
//
// Writes touch only their own line or section: every other byte of the file
// stays as it was. A write is durable and honest as platform::ReplaceFileContents
// says (on the disk before it counts as done, never torn by a power cut, never
// where the user could not have written the file in place), and holds other
// Quillet processes off the file from its read to its replace, so that two
// processes editing one file lose nothing. A failed write leaves the file
// exactly as before; a file that exists but cannot be read is never written.
#pragma once

#include <string>

namespace quillet {

// The default handed to every read; a stored value equal to it reads as empty.
inline constexpr const char* kNoValueMarker = "*NO-VALUE*";

// The value of key in section; empty when the file, section or key is missing.
// Values come back whole, however long.
std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key);

// The key names of section in file order, each followed by one NUL; empty when
// the section is missing or holds no key lines.
std::string ReadIniKeyNames(const std::string& file, const std::string& section);

// The value of the section's first key line; empty when the section has none.
std::string GetFirstKeyValue(const std::string& file, const std::string& section);

// Sets key in section to value, creating the file, section and key when missing.
// Returns non-zero when written (or when the key already holds that very text), zero
// when the write could not be made; `error`, when given, then says which file and
// why. Text that would not read back as itself is refused: a name or value
// holding CR or LF, a key holding "=" or starting with "[" or ";", a section
// name holding "]", a section or key name with a tab at either end. Writing
// the same value again leaves the file as the first write did.
int WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& value, std::string* error = nullptr);

// Replaces the entries of section with body (entries separated by NUL, each
// written as its own line; an empty entry ends the list), creating the section
// when missing. Comment and blank lines of the section stay. Returns non-zero
// when written; an entry holding CR or LF or starting with "[" is refused.
int WriteIniSection(const std::string& file, const std::string& section, const std::string& body,
                    std::string* error = nullptr);

// Removes the key's line. True when done, also when there was nothing to remove.
bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  std::string* error = nullptr);

}  // namespace quillet
