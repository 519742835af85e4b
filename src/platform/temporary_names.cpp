#include "platform/temporary_names.h"

namespace quillet::platform {

std::string BorrowedName(std::string_view utf8_name, std::size_t limit) {
  if (utf8_name.size() <= limit) return std::string(utf8_name);
  std::size_t cut = limit;
  // Back off over continuation bytes (10xxxxxx) to the start of the character
  // that the limit would split.
  while (cut > 0 && (static_cast<unsigned char>(utf8_name[cut]) & 0xC0) == 0x80) --cut;
  return std::string(utf8_name.substr(0, cut));
}

std::wstring BorrowedName(std::wstring_view utf16_name, std::size_t limit) {
  if (utf16_name.size() <= limit) return std::wstring(utf16_name);
  std::size_t cut = limit;
  // A low surrogate at the cut means its high surrogate would be left alone.
  if (cut > 0 && utf16_name[cut] >= 0xDC00 && utf16_name[cut] <= 0xDFFF) --cut;
  return std::wstring(utf16_name.substr(0, cut));
}

}  // namespace quillet::platform
