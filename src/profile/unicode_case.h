// Case of Unicode characters, for matching names in profile files without
// regard to case.
#pragma once

#include <string_view>

namespace quillet {

// The simple upper-case form of a character (one character to one character,
// as Windows compares names): é gives É, ß and characters without case give
// themselves.
char32_t UnicodeUpper(char32_t c);

// Whether two UTF-8 texts are equal once every character is in its upper-case
// form. A byte that is not UTF-8 matches only the same byte.
bool Utf8EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace quillet
