#include "win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace quillet::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return {};
  const int length = static_cast<int>(utf8.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string utf8(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

std::wstring FileDialogFilter(std::string_view filter) {
  std::wstring result;
  int parts = 0;
  while (!filter.empty()) {
    const std::size_t bar = filter.find('|');
    result += Widen(filter.substr(0, bar));
    result += L'\0';
    ++parts;
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
    // "A|" ends with an empty pattern that still counts as a part.
    if (filter.empty()) {
      result += L'\0';
      ++parts;
    }
  }
  if (parts % 2 == 1) result += L'\0';  // a description without its pattern
  result += L'\0';
  return result;
}

}  // namespace quillet::win32
