#include "profile/profile_file.h"

#include "platform/platform.h"
#include "profile/profile_text.h"

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

// Applies one edit to the file: reads it (a missing file starts empty, and the
// write creates it), edits the text and stores the whole file when the edit
// changed it, with other Quillet processes held off the file from the read to
// the store, so that no one's edit is lost. A file that exists but cannot be
// read is a failure, never something to overwrite, whatever its attributes.
template <typename Edit>
bool EditFile(const std::string& file, std::string* error, const Edit& edit) {
  std::string failure;
  const platform::IoResult written =
      platform::UpdateFileContents(file, [&](const platform::IoResult& read, std::string& bytes) {
        if (!read.ok && !read.not_found) {
          failure = "Could not read " + file + ": " + read.error;
          return false;
        }
        ProfileText text = read.ok ? ProfileText::FromFileBytes(std::move(bytes)) : ProfileText();
        const EditResult result = edit(text);
        switch (result.outcome) {
          case EditOutcome::kUnchanged:
            return false;
          case EditOutcome::kRefused:
            failure = "Could not write " + file + ": " + result.reason;
            return false;
          case EditOutcome::kChanged:
            break;
        }
        bytes = text.FileBytes();
        return true;
      });
  if (!failure.empty()) {
    SetError(error, failure);
    return false;
  }
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
  return EditFile(file, error,
                  [&](ProfileText& text) {
                    return text.SetValue(ToFileForm(text, section), ToFileForm(text, key),
                                         ToFileForm(text, value));
                  })
             ? 1
             : 0;
}

int WriteIniSection(const std::string& file, const std::string& section, const std::string& body,
                    std::string* error) {
  return EditFile(file, error,
                  [&](ProfileText& text) {
                    return text.ReplaceSection(ToFileForm(text, section), ToFileForm(text, body));
                  })
             ? 1
             : 0;
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  std::string* error) {
  return EditFile(file, error, [&](ProfileText& text) {
    return text.DeleteKey(ToFileForm(text, section), ToFileForm(text, key));
  });
}

}  // namespace quillet
