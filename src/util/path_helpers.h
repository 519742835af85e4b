// Splitting and joining paths as text, without touching the file system. Only
// `separator` separates folders and only "." starts an extension. The separator
// defaults to the platform's ("\" on Windows, "/" elsewhere); callers that work
// on Windows names whatever the platform (the launcher source) pass "\".
#pragma once

#include <string>

#include "platform/platform.h"

namespace quillet {

// The text after the last "." of the file name; empty when the file name has
// none. A "." inside a folder name is not an extension.
std::string GetExtension(const std::string& path, char separator = platform::kPathSeparator);

// The file name without its folder part and without "." + extension.
std::string GetBaseName(const std::string& path, char separator = platform::kPathSeparator);

// The path up to and including its last separator; empty when there is none.
std::string GetDirectory(const std::string& path, char separator = platform::kPathSeparator);

// The path with one separator appended unless it already ends in one.
std::string EnsureTrailingBackslash(const std::string& path,
                                    char separator = platform::kPathSeparator);

// The path without its last character when that is a separator.
std::string StripTrailingBackslash(const std::string& path,
                                   char separator = platform::kPathSeparator);

}  // namespace quillet
