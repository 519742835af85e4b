#include "util/path_helpers.h"

namespace quillet {
namespace {

// Index just past the last separator: where the file name starts.
std::size_t FileNameStart(const std::string& path, char separator) {
  const auto pos = path.find_last_of(separator);
  return pos == std::string::npos ? 0 : pos + 1;
}

// Index of the "." that starts the extension, or npos. Positions are plain
// size_t, so no path length is too long; the "." must lie in the file name.
std::size_t ExtensionDot(const std::string& path, char separator) {
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < FileNameStart(path, separator)) return std::string::npos;
  return dot;
}

}  // namespace

std::string GetExtension(const std::string& path, char separator) {
  const auto dot = ExtensionDot(path, separator);
  return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string GetBaseName(const std::string& path, char separator) {
  const auto start = FileNameStart(path, separator);
  const auto dot = ExtensionDot(path, separator);
  // A name that ends in "." has an empty extension and keeps its dot.
  if (dot == std::string::npos || dot + 1 == path.size()) return path.substr(start);
  return path.substr(start, dot - start);
}

std::string GetDirectory(const std::string& path, char separator) {
  return path.substr(0, FileNameStart(path, separator));
}

std::string EnsureTrailingBackslash(const std::string& path, char separator) {
  if (!path.empty() && path.back() == separator) return path;
  return path + separator;
}

std::string StripTrailingBackslash(const std::string& path, char separator) {
  if (!path.empty() && path.back() == separator) return path.substr(0, path.size() - 1);
  return path;
}

}  // namespace quillet
