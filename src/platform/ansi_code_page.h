// Windows-1252, the ANSI code page that stands in for the system's one outside
// Windows. Shared by the POSIX build and by the tests of both builds.
#pragma once

#include <string>
#include <string_view>

namespace quillet::platform {

std::string Windows1252ToUtf8(std::string_view ansi);
std::string Utf8ToWindows1252(std::string_view utf8);

}  // namespace quillet::platform
