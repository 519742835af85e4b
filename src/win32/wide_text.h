// Text between the program (UTF-8 std::string) and the wide-character Win32
// API (UTF-16).
#pragma once

#include <string>
#include <string_view>

namespace quillet::win32 {

// UTF-8 to UTF-16. Invalid bytes are handled as the system does (replaced by
// U+FFFD from Vista on, left out on XP); the program's own texts are valid.
std::wstring Widen(std::string_view utf8);

// UTF-16 to UTF-8.
std::string Narrow(std::wstring_view wide);

// "Description|pattern|Description|pattern" as the common file dialog wants
// its filter: each part ended by a NUL character, the whole by a second one.
// An odd last description gets an empty pattern.
std::wstring FileDialogFilter(std::string_view filter);

}  // namespace quillet::win32
