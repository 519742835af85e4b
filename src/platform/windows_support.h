// What the Windows half of the platform layer shares between its files: text
// between UTF-8 and UTF-16 or a code page, wide paths for the file APIs, the
// system's error texts, and a handle that closes itself. Windows only; not
// part of the platform interface.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillet::platform {

// Converts bytes in code page `code_page` to UTF-16 and appends them; texts of
// any length.
void AppendWide(UINT code_page, DWORD flags, std::string_view bytes, std::wstring& out);

// Converts UTF-16 to code page `code_page` and appends the bytes. `no_best_fit`
// turns characters the code page lacks into "?" instead of a look-alike.
void AppendNarrow(UINT code_page, std::wstring_view wide, std::string& out, bool no_best_fit);

// UTF-8 to UTF-16 and back.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The system's description of a Win32 error code, as UTF-8, on one line.
std::string SystemMessage(DWORD code);

// A failed IoResult with the system's description; not_found for a missing
// file or folder.
IoResult Failure(DWORD code);
IoResult LastFailure();
IoResult FolderFailure();

// The full form of a path (separators, "." and ".." resolved); the path itself
// when the system cannot make one.
std::wstring FullPath(const std::wstring& path);

// A wide path for the file APIs: long absolute paths in the "\\?\" form, so
// that they are not cut off at MAX_PATH.
std::wstring WidePath(const std::string& path);

// Closes a handle when it goes out of scope.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }
  ~Handle() { Close(); }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes what it holds and takes `handle` instead.
  void Reset(HANDLE handle) {
    Close();
    handle_ = handle;
  }
  // Closes now; false (with GetLastError set) when closing failed.
  bool Close() {
    if (!valid()) return true;
    const bool ok = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace quillet::platform
