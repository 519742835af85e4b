// The Windows half of the platform layer. Paths arrive as UTF-8 and go to the
// wide-character APIs, so names outside the ANSI code page work as well.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace quillet::platform {
namespace {

// The Win32 conversion functions take int lengths; larger texts go in pieces.
constexpr std::size_t kMaxPiece = 1u << 28;

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

IoResult Failure(DWORD code) { return {false, SystemMessage(code)}; }

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

// Attributes of path, or INVALID_FILE_ATTRIBUTES with the error in GetLastError.
DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

bool IsReadOnly(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  // Closes now; false (with GetLastError set) when closing failed.
  bool Close() {
    if (!valid()) return true;
    const bool ok = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

// Writes all of bytes to the file; 0 or the Win32 error code.
DWORD WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return 0;
}

// The part of a wide path up to its last separator (with that separator), or
// empty for a bare name.
std::wstring FolderPart(const std::wstring& path) {
  const auto separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) {
    // "C:name" lies in the current folder of drive C:.
    return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
  }
  return path.substr(0, separator + 1);
}

std::wstring NamePart(const std::wstring& path) {
  const auto separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// Creates a new, uniquely named file beside `target`, opened for writing.
HANDLE CreateTemporaryBeside(const std::wstring& target, std::wstring& temp_path) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  const std::wstring folder = FolderPart(target);
  // A shortened name still says whose file it is and keeps a long name within
  // the limit of one path component.
  const std::wstring name = NamePart(target).substr(0, 64);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = folder + L"~" + name + L"." + std::to_wstring(rng() % 1000000000) + L".tmp";
    HANDLE file = ::CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  std::wstring wide;
  AppendWide(CP_ACP, 0, ansi, wide);
  return Narrow(wide);
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  // Valid runs go through the code page; a byte that is not UTF-8 is kept as it
  // is rather than turned into a replacement character.
  std::size_t run_start = 0;
  auto flush_run = [&](std::size_t end) {
    if (end > run_start) {
      std::wstring wide;
      AppendWide(CP_UTF8, 0, utf8.substr(run_start, end - run_start), wide);
      AppendNarrow(CP_ACP, wide, out, true);
    }
  };
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(utf8, i, cp);
    if (length == 0) {
      flush_run(i);
      out.push_back(utf8[i]);
      ++i;
      run_start = i;
    } else if (length == 4) {
      // No ANSI code page holds characters beyond the basic plane; one "?" for
      // the character, where the conversion would give one per surrogate.
      flush_run(i);
      out.push_back('?');
      i += length;
      run_start = i;
    } else {
      i += length;
    }
  }
  flush_run(utf8.size());
  return out;
}

std::string ProgramDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return ".";
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);  // the name was cut off
  }
  const auto separator = buffer.find_last_of(L'\\');
  if (separator == std::wstring::npos) return ".";
  std::wstring folder = buffer.substr(0, separator);
  // A drive root keeps its separator: "C:\", not "C:".
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  if (folder.rfind(LR"(\\?\)", 0) == 0 && folder.size() == 6 && folder[5] == L':') folder += L'\\';
  return Narrow(folder);
}

bool IsOrdinaryFile(const std::string& path) {
  const DWORD attributes = Attributes(WidePath(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
  return (attributes & kNotOrdinary) == 0;
}

bool IsReadOnlyFile(const std::string& path) {
  const DWORD attributes = Attributes(WidePath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !IsFolder(attributes) && IsReadOnly(attributes);
}

IoResult CheckCanCreateIn(const std::string& folder) {
  const std::wstring wide = FullPath(WidePath(folder.empty() ? std::string(".") : folder));
  const DWORD attributes = Attributes(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  if (!IsFolder(attributes)) return Failure(ERROR_DIRECTORY);
  // Permissions on Windows are ACLs that only an attempt judges: a file that
  // goes away as soon as it is closed.
  std::wstring target = wide;
  if (!target.empty() && target.back() != L'\\' && target.back() != L'/') target += L'\\';
  std::wstring temp_path;
  Handle probe(CreateTemporaryBeside(target + L"probe", temp_path));
  if (!probe.valid()) return LastFailure();
  probe.Close();
  ::DeleteFileW(temp_path.c_str());
  return {};
}

IoResult CheckCanRewrite(const std::string& path) {
  const std::wstring target = FullPath(WidePath(path));
  const DWORD attributes = Attributes(target);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return Failure(error);
    return CheckCanCreateIn(Narrow(FolderPart(target)));
  }
  if (IsFolder(attributes)) return FolderFailure();
  if (IsReadOnly(attributes)) return Failure(ERROR_ACCESS_DENIED);
  // Opening it for writing, sharing as much as a reader would, fails for a
  // file without write permission and for one that another program locks.
  Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFailure();
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return Failure(ERROR_INVALID_FUNCTION);
  file.Close();
  return CheckCanCreateIn(Narrow(FolderPart(target)));
}

IoResult ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const std::wstring wide = WidePath(path);
  const DWORD attributes = Attributes(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  if (IsFolder(attributes)) return FolderFailure();
  // Others may go on reading, writing or even replacing the file meanwhile, as
  // the atomic replace of another instance does.
  Handle file(::CreateFileW(
      wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return LastFailure();
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return Failure(ERROR_INVALID_FUNCTION);
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  std::vector<char> chunk(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
      const DWORD error = ::GetLastError();
      bytes.clear();
      return Failure(error);
    }
    if (read == 0) break;
    bytes.append(chunk.data(), read);
  }
  return {};
}

IoResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
  // Full paths: Wine's ReplaceFileW fails on relative ones.
  const std::wstring target = FullPath(WidePath(path));
  const DWORD attributes = Attributes(target);
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return Failure(error);
  } else {
    if (IsFolder(attributes)) return FolderFailure();
    if (IsReadOnly(attributes)) return Failure(ERROR_ACCESS_DENIED);
  }

  std::wstring temp_path;
  Handle temp(CreateTemporaryBeside(target, temp_path));
  if (!temp.valid()) return LastFailure();
  DWORD error = WriteAll(temp.get(), bytes);
  if (!temp.Close() && error == 0) error = ::GetLastError();
  if (error != 0) {
    ::DeleteFileW(temp_path.c_str());
    return Failure(error);
  }

  // Swapping the files is atomic: readers see the old or the new file, never
  // half of one, and a failure before the swap leaves the original untouched.
  if (exists) {
    // The new file takes the original's attributes (hidden, archive, ...).
    ::SetFileAttributesW(temp_path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (::ReplaceFileW(target.c_str(), temp_path.c_str(), nullptr,
                       REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                       nullptr)) {
      return {};
    }
    error = ::GetLastError();
    // ReplaceFileW wants more rights than a plain rename (it also carries over
    // ACLs and streams); where it cannot, an atomic rename still does the job.
    if (::MoveFileExW(temp_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
  } else {
    if (::MoveFileExW(temp_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
    error = ::GetLastError();
  }
  ::DeleteFileW(temp_path.c_str());
  return Failure(error);
}

IoResult CopyFileReplacing(const std::string& from, const std::string& to) {
  const std::wstring source = WidePath(from);
  const DWORD source_attributes = Attributes(source);
  if (source_attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  if (IsFolder(source_attributes)) return FolderFailure();

  const std::wstring target = FullPath(WidePath(to));
  const DWORD target_attributes = Attributes(target);
  if (target_attributes != INVALID_FILE_ATTRIBUTES) {
    if (IsFolder(target_attributes)) return FolderFailure();
    if (IsReadOnly(target_attributes)) return Failure(ERROR_ACCESS_DENIED);
  }

  // The copy goes to a temporary file beside the target that then takes its
  // place, so a copy that breaks off (a full disk) never leaves half a file
  // where the old one was. A missing folder fails here; none is created.
  std::wstring temp_path;
  {
    Handle temp(CreateTemporaryBeside(target, temp_path));
    if (!temp.valid()) return LastFailure();
  }
  DWORD error = 0;
  if (!::CopyFileW(source.c_str(), temp_path.c_str(), FALSE)) {
    error = ::GetLastError();
  } else if (!::MoveFileExW(temp_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = ::GetLastError();
  }
  if (error != 0) {
    // The copy took the source's attributes, read-only perhaps.
    ::SetFileAttributesW(temp_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temp_path.c_str());
    return Failure(error);
  }
  return {};
}

IoResult DeleteRegularFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = Attributes(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  if (IsFolder(attributes)) return FolderFailure();
  if (IsReadOnly(attributes)) return Failure(ERROR_ACCESS_DENIED);
  if (!::DeleteFileW(wide.c_str())) return LastFailure();
  return {};
}

}  // namespace quillet::platform
