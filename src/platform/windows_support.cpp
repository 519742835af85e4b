#include "platform/windows_support.h"

#include <algorithm>

namespace quillet::platform {

namespace {

// The Win32 conversion functions take int lengths; larger texts go in pieces.
constexpr std::size_t kMaxPiece = 1u << 28;

}  // namespace

// Converts bytes in code page `code_page` to UTF-16 and appends them.
void AppendWide(UINT code_page, DWORD flags, std::string_view bytes, std::wstring& out) {
  while (!bytes.empty()) {
    const std::string_view piece = bytes.substr(0, std::min(bytes.size(), kMaxPiece));
    const int length = static_cast<int>(piece.size());
    const int needed = ::MultiByteToWideChar(code_page, flags, piece.data(), length, nullptr, 0);
    if (needed > 0) {
      const std::size_t at = out.size();
      out.resize(at + static_cast<std::size_t>(needed));
      ::MultiByteToWideChar(code_page, flags, piece.data(), length, out.data() + at, needed);
    }
    bytes.remove_prefix(piece.size());
  }
}

// Converts UTF-16 to code page `code_page` and appends the bytes. `no_best_fit`
// turns characters the code page lacks into "?" instead of a look-alike, which
// could otherwise turn, say, a full-width quotation mark into a real one.
void AppendNarrow(UINT code_page, std::wstring_view wide, std::string& out, bool no_best_fit) {
  const DWORD flags = no_best_fit ? WC_NO_BEST_FIT_CHARS : 0;
  while (!wide.empty()) {
    std::size_t count = std::min(wide.size(), kMaxPiece);
    // Never split a surrogate pair between two pieces.
    if (count < wide.size() && count > 0 && wide[count - 1] >= 0xD800 &&
        wide[count - 1] <= 0xDBFF) {
      --count;
    }
    const std::wstring_view piece = wide.substr(0, count);
    const int length = static_cast<int>(piece.size());
    const char* default_char = code_page == CP_UTF8 ? nullptr : "?";
    DWORD piece_flags = flags;
    int needed = ::WideCharToMultiByte(code_page, piece_flags, piece.data(), length, nullptr, 0,
                                       default_char, nullptr);
    if (needed <= 0 && piece_flags != 0) {
      // A few code pages take no flags at all; best fit beats losing the text.
      piece_flags = 0;
      needed = ::WideCharToMultiByte(code_page, piece_flags, piece.data(), length, nullptr, 0,
                                     default_char, nullptr);
    }
    if (needed > 0) {
      const std::size_t at = out.size();
      out.resize(at + static_cast<std::size_t>(needed));
      ::WideCharToMultiByte(code_page, piece_flags, piece.data(), length, out.data() + at, needed,
                            default_char, nullptr);
    }
    wide.remove_prefix(piece.size());
  }
}

std::wstring Widen(std::string_view utf8) {
  std::wstring wide;
  AppendWide(CP_UTF8, 0, utf8, wide);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  std::string utf8;
  AppendNarrow(CP_UTF8, wide, utf8, false);
  return utf8;
}

// The system's description of a Win32 error code, as UTF-8, without the line
// break that FormatMessage ends it with.
std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length > 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Windows error " + std::to_string(code);
  return Narrow(text);
}

IoResult Failure(DWORD code) {
  IoResult result{false, SystemMessage(code)};
  result.not_found = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
  return result;
}

IoResult LastFailure() { return Failure(::GetLastError()); }

IoResult FolderFailure() { return {false, "The path names a folder, not a file."}; }

// A wide path for the file APIs. Long absolute paths get the "\\?\" form so
// that they are not cut off at MAX_PATH; that form skips the usual clean-up, so
// the path is made full (separators, "." and "..") first.
std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

std::wstring WidePath(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() < MAX_PATH - 12 || wide.rfind(LR"(\\?\)", 0) == 0) return wide;
  const std::wstring full = FullPath(wide);
  if (full.rfind(LR"(\\?\)", 0) == 0) return full;
  if (full.rfind(LR"(\\)", 0) == 0) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

}  // namespace quillet::platform
