#include "profile/profile_file.h"

#include "profile/profile_text.h"
#include "platform/platform.h"

namespace quillet {
namespace {

// Texts cross into an ANSI file's code page; files with a byte order mark are
// worked on as UTF-8, which is what the program holds anyway.
std::string ToFileForm(const ProfileText& text, const std::string& utf8) {
  return text.Encoding() == ProfileEncoding::kAnsi ? platform::Utf8ToAnsi(utf8) : utf8;
}

std::string FromFileForm(const ProfileText& text, std::string_view value) {
  return text.Encoding() == ProfileEncoding::kAnsi ? platform::AnsiToUtf8(value)
                                                   : std::string(value);
}

// The file for a read: a file that cannot be read reads as empty.
ProfileText LoadForReading(const std::string& file) {
  std::string bytes;
  if (!platform::ReadWholeFile(file, bytes).ok) return {};
  return ProfileText::FromFileBytes(std::move(bytes));
}

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

// The file for a write. A missing file starts empty (the write creates it); a
// file that exists but cannot be read is a failure, never something to
// overwrite.
bool LoadForWriting(const std::string& file, ProfileText& text, std::string* error) {
  std::string bytes;
  const platform::IoResult read = platform::ReadWholeFile(file, bytes);
  if (!read.ok) {
    if (platform::IsOrdinaryFile(file) || platform::IsReadOnlyFile(file)) {
      SetError(error, "Could not read " + file + ": " + read.error);
      return false;
    }
    text = ProfileText();
    return true;
  }
  text = ProfileText::FromFileBytes(std::move(bytes));
  return true;
}

// Stores an edit's outcome: nothing to store when unchanged, the whole file
// through a temporary file otherwise.
bool Store(const std::string& file, const ProfileText& text, const EditResult& edit,
           std::string* error) {
  switch (edit.outcome) {
    case EditOutcome::kUnchanged:
      return true;
    case EditOutcome::kRefused:
      SetError(error, "Could not write " + file + ": " + edit.reason);
      return false;
    case EditOutcome::kChanged:
      break;
  }
  // An ANSI file's bytes are its text: no copy of a large file needed.
  std::string encoded;
  if (text.Encoding() != ProfileEncoding::kAnsi) encoded = text.FileBytes();
  const platform::IoResult written = platform::ReplaceFileContents(
      file, text.Encoding() == ProfileEncoding::kAnsi ? std::string_view(text.Text()) : encoded);
  if (!written.ok) {
    SetError(error, "Could not write " + file + ": " + written.error);
    return false;
  }
  return true;
}

}  // namespace

std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key) {
  const ProfileText text = LoadForReading(file);
  const auto value = text.FindValue(ToFileForm(text, section), ToFileForm(text, key));
  if (!value) return {};
  std::string result = FromFileForm(text, *value);
  if (result == kNoValueMarker) return {};
  return result;
}

std::string ReadIniKeyNames(const std::string& file, const std::string& section) {
  const ProfileText text = LoadForReading(file);
  return FromFileForm(text, text.KeyNames(ToFileForm(text, section)));
}

std::string GetFirstKeyValue(const std::string& file, const std::string& section) {
  // A section without keys gives empty text rather than an error.
  const ProfileText text = LoadForReading(file);
  const auto value = text.FirstKeyValue(ToFileForm(text, section));
  if (!value) return {};
  std::string result = FromFileForm(text, *value);
  if (result == kNoValueMarker) return {};
  return result;
}

int WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& value, std::string* error) {
  ProfileText text;
  if (!LoadForWriting(file, text, error)) return 0;
  const EditResult edit =
      text.SetValue(ToFileForm(text, section), ToFileForm(text, key), ToFileForm(text, value));
  return Store(file, text, edit, error) ? 1 : 0;
}

int WriteIniSection(const std::string& file, const std::string& section, const std::string& body,
                    std::string* error) {
  ProfileText text;
  if (!LoadForWriting(file, text, error)) return 0;
  const EditResult edit = text.ReplaceSection(ToFileForm(text, section), ToFileForm(text, body));
  return Store(file, text, edit, error) ? 1 : 0;
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  std::string* error) {
  ProfileText text;
  if (!LoadForWriting(file, text, error)) return false;
  const EditResult edit = text.DeleteKey(ToFileForm(text, section), ToFileForm(text, key));
  return Store(file, text, edit, error);
}

}  // namespace quillet
