// The Windows half of the platform layer. Paths arrive as UTF-8 and go to the
// wide-character APIs, so names outside the ANSI code page work as well.
#include "platform/windows_support.h"  // windows.h first: the headers below need it

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "platform/flush_switch.h"
#include "platform/platform.h"
#include "platform/temporary_names.h"
#include "platform/utf8.h"

namespace quillet::platform {
namespace {

// Attributes of path, or INVALID_FILE_ATTRIBUTES with the error in GetLastError.
DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

bool IsReadOnly(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }

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

// ---------------------------------------------------------------------------
// Temporary files and backups beside a target: "~" + the start of the target's
// name + ".quillet-" + process id + "-" + random number + ".tmp" (or, for the
// backup of a file written in place, "-" + its file index + ".bak").

std::wstring TemporaryPrefix(const std::wstring& target) {
  return L"~" + BorrowedName(NamePart(target)) + L".quillet-";
}

std::wstring TemporaryPath(const std::wstring& target, const std::wstring& suffix) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  return FolderPart(target) + TemporaryPrefix(target) + std::to_wstring(::GetCurrentProcessId()) +
         L"-" + std::to_wstring(rng() % 1000000000) + suffix;
}

std::wstring BackupSuffix(const BY_HANDLE_FILE_INFORMATION& info) {
  const unsigned long long index =
      (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return L"-" + std::to_wstring(index) + L".bak";
}

// Creates a new, uniquely named file beside `target`, opened for writing.
HANDLE CreateTemporaryBeside(const std::wstring& target, std::wstring& temp_path,
                             const std::wstring& suffix = L".tmp") {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = TemporaryPath(target, suffix);
    HANDLE file = ::CreateFileW(temp_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Waits until the file's data and size are on the disk; 0 or the error.
DWORD Flush(HANDLE file) {
  if (!FlushToDisk()) return 0;
  return ::FlushFileBuffers(file) ? 0 : ::GetLastError();
}

// The same for a file by name: after ReplaceFileW, which has no write-through
// flag, flushing the file that now has the name commits the rename with it.
DWORD FlushByName(const std::wstring& path) {
  if (!FlushToDisk()) return 0;
  Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return ::GetLastError();
  return Flush(file.get());
}

// Identity of an open file: volume serial number and file index.
bool Identify(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
  return ::GetFileInformationByHandle(file, &info) != 0;
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Opens path for nothing but asking about it (links followed, folders too).
HANDLE OpenToAsk(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// GetFinalPathNameByHandleW is there from Vista on, as are symbolic links.
using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFunction FinalPathOfHandle() {
  static const auto function = reinterpret_cast<FinalPathFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  return function;
}

// The path of the file that a symbolic link at path finally leads to; empty
// when path is no link, or the system cannot tell.
std::wstring LinkDestination(const std::wstring& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return {};
  }
  const FinalPathFunction final_path = FinalPathOfHandle();
  if (final_path == nullptr) return {};
  Handle file(OpenToAsk(path));
  if (!file.valid()) return {};
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        final_path(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(length + 1);
  }
}

// The file a write goes to: a symbolic link stays a link and the file it leads
// to is written.
std::wstring WriteTarget(const std::string& path) {
  const std::wstring full = FullPath(WidePath(path));
  std::wstring destination = LinkDestination(full);
  return destination.empty() ? full : destination;
}

// Whether the process that made a temporary file is gone. Our own are not
// stale, and neither is one whose maker cannot be told.
bool MakerIsGone(std::wstring_view rest) {
  const auto dash = rest.find(L'-');
  if (dash == std::wstring_view::npos || dash == 0 || dash > 10) return false;
  unsigned long long pid = 0;
  for (const wchar_t c : rest.substr(0, dash)) {
    if (c < L'0' || c > L'9') return false;
    pid = pid * 10 + static_cast<unsigned>(c - L'0');
  }
  if (pid == ::GetCurrentProcessId() || pid > 0xFFFFFFFFull) return false;
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

// Writes bytes over the whole file in place and waits for the disk.
DWORD OverwriteInPlace(HANDLE file, std::string_view bytes) {
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return ::GetLastError();
  if (const DWORD error = WriteAll(file, bytes); error != 0) return error;
  if (!::SetEndOfFile(file)) return ::GetLastError();
  return Flush(file);
}

DWORD ReadAllFrom(HANDLE file, std::string& bytes) {
  bytes.clear();
  LARGE_INTEGER start{};
  if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return ::GetLastError();
  std::vector<char> chunk(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
      return ::GetLastError();
    }
    if (read == 0) return 0;
    bytes.append(chunk.data(), read);
  }
}

// Clears up after writes of the same target that were killed: their temporary
// files go, and the backup of a file that was being written in place is put
// back first (the file may be torn), then goes.
void RecoverKilledWrites(const std::wstring& target) {
  const std::wstring folder = FolderPart(target);
  const std::wstring prefix = TemporaryPrefix(target);
  std::vector<std::wstring> stale;
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW((folder + prefix + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring_view name = found.cFileName;
    if (name.substr(0, prefix.size()) != prefix) continue;  // a short-name match
    const bool temporary = name.size() > 4 && name.substr(name.size() - 4) == L".tmp";
    const bool backup = name.size() > 4 && name.substr(name.size() - 4) == L".bak";
    if ((temporary || backup) && MakerIsGone(name.substr(prefix.size()))) {
      stale.emplace_back(name);
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);

  for (const std::wstring& name : stale) {
    const std::wstring path = folder + name;
    if (name.substr(name.size() - 4) == L".bak") {
      Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      BY_HANDLE_FILE_INFORMATION info{};
      if (!file.valid() || !Identify(file.get(), info)) continue;
      if (name.size() < BackupSuffix(info).size() ||
          name.substr(name.size() - BackupSuffix(info).size()) != BackupSuffix(info)) {
        continue;  // the backup of another file whose name starts alike
      }
      Handle backup(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      std::string old_bytes;
      if (!backup.valid() || ReadAllFrom(backup.get(), old_bytes) != 0) continue;
      if (OverwriteInPlace(file.get(), old_bytes) != 0) continue;  // kept for a later try
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
  }
}

// What a rewrite finds at its target.
struct RewriteTarget {
  bool exists = false;
  DWORD attributes = 0;
  BY_HANDLE_FILE_INFORMATION info{};
};

// The test every rewrite meets first, and CheckCanRewrite with it: the file is
// rewritten only if the user could open it for reading and writing where it
// is, with others allowed what a reader allows. That refuses a read-only file,
// one without write permission, and one that another program holds (whatever
// its attributes: a hidden or system file is no missing one).
IoResult OpenForRewrite(const std::wstring& target, RewriteTarget& found) {
  found = {};
  found.attributes = Attributes(target);
  if (found.attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return {};  // to be created
    return Failure(error);
  }
  if (IsFolder(found.attributes)) return FolderFailure();
  if (IsReadOnly(found.attributes)) return Failure(ERROR_ACCESS_DENIED);
  Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFailure();
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return Failure(ERROR_INVALID_FUNCTION);
  if (!Identify(file.get(), found.info)) return LastFailure();
  found.exists = true;
  return {};
}

// Writes a file that must keep its identity (several hard links) in place. A
// backup of the old contents reaches the disk first and goes only once the new
// contents are there, so a write that breaks off can be put back: here at
// once, after a crash by the next write of the file.
IoResult WriteInPlace(const std::wstring& target, const RewriteTarget& found,
                      std::string_view bytes) {
  Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastFailure();
  std::string old_bytes;
  if (const DWORD error = ReadAllFrom(file.get(), old_bytes); error != 0) return Failure(error);
  if (old_bytes == bytes) return {};

  std::wstring backup_path;
  DWORD error = 0;
  {
    Handle backup(CreateTemporaryBeside(target, backup_path, BackupSuffix(found.info)));
    if (!backup.valid()) return LastFailure();
    error = WriteAll(backup.get(), old_bytes);
    if (error == 0) error = Flush(backup.get());
  }
  if (error != 0) {
    ::DeleteFileW(backup_path.c_str());
    return Failure(error);
  }
  error = OverwriteInPlace(file.get(), bytes);
  if (error != 0) {
    // Put the old contents back; if even that fails, the backup is the only
    // whole copy and stays.
    if (OverwriteInPlace(file.get(), old_bytes) != 0) {
      return {false,
              SystemMessage(error) + "; the old contents are kept in " + Narrow(backup_path)};
    }
    ::DeleteFileW(backup_path.c_str());
    return Failure(error);
  }
  ::DeleteFileW(backup_path.c_str());
  return {};
}

// What ReplaceFileW is asked to overlook. Windows XP does not know the flag
// for ACL merge errors (Vista added it) and would refuse the whole call, which
// would lose what ReplaceFileW keeps of the file there too.
DWORD ReplaceFlags() {
  constexpr DWORD kIgnoreAclErrors = 0x00000004;  // REPLACEFILE_IGNORE_ACL_ERRORS
  static const DWORD flags = [] {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    const bool vista_or_later = ::GetVersionExW(&version) && version.dwMajorVersion >= 6;
    return REPLACEFILE_IGNORE_MERGE_ERRORS | (vista_or_later ? kIgnoreAclErrors : 0);
  }();
  return flags;
}

// Puts a finished, flushed temporary file in target's place and waits until
// the new name is on the disk. `lock` (may be null) is a handle the caller
// holds on the target, closed before a plain rename that it would block.
IoResult PutIntoPlace(const std::wstring& temp_path, const std::wstring& target,
                      const RewriteTarget& found, Handle* lock) {
  if (!found.exists) {
    // No REPLACE_EXISTING: a file that appeared meanwhile is not overwritten.
    if (::MoveFileExW(temp_path.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
    const DWORD error = ::GetLastError();
    ::SetFileAttributesW(temp_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temp_path.c_str());
    return Failure(error);
  }
  // The new file takes the original's attributes (hidden, archive, ...).
  ::SetFileAttributesW(temp_path.c_str(), found.attributes & ~FILE_ATTRIBUTE_READONLY);
  // ReplaceFileW keeps what belongs to the file: its ACL, streams, attributes.
  if (::ReplaceFileW(target.c_str(), temp_path.c_str(), nullptr, ReplaceFlags(), nullptr,
                     nullptr)) {
    if (const DWORD error = FlushByName(target); error != 0) return Failure(error);
    return {};
  }
  DWORD error = ::GetLastError();
  // ReplaceFileW wants more rights than a plain rename (it also carries over
  // ACLs and streams); where it cannot, an atomic rename still does the job.
  if (lock != nullptr) lock->Close();
  if (::MoveFileExW(temp_path.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  // With ERROR_UNABLE_TO_MOVE_REPLACEMENT the original may be gone already:
  // the temporary file is then the only copy left, and stays where the error
  // says.
  if (Attributes(target) == INVALID_FILE_ATTRIBUTES) {
    return {false, SystemMessage(error) + "; the new contents are kept in " + Narrow(temp_path)};
  }
  ::SetFileAttributesW(temp_path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(temp_path.c_str());
  return Failure(error);
}

// Writes bytes as the file at target (links resolved): see ReplaceFileContents.
// `lock`: see PutIntoPlace. `recovered`: RecoverKilledWrites has already run.
IoResult WriteDurably(const std::wstring& target, std::string_view bytes, Handle* lock,
                      bool recovered = false) {
  RewriteTarget found;
  if (IoResult opened = OpenForRewrite(target, found); !opened.ok) return opened;
  if (found.exists && !recovered) RecoverKilledWrites(target);
  if (found.exists && found.info.nNumberOfLinks > 1) return WriteInPlace(target, found, bytes);

  std::wstring temp_path;
  DWORD error = 0;
  {
    Handle temp(CreateTemporaryBeside(target, temp_path));
    if (!temp.valid()) return LastFailure();
    error = WriteAll(temp.get(), bytes);
    // The contents reach the disk before they take the name.
    if (error == 0) error = Flush(temp.get());
    if (!temp.Close() && error == 0) error = ::GetLastError();
  }
  if (error != 0) {
    ::DeleteFileW(temp_path.c_str());
    return Failure(error);
  }
  return PutIntoPlace(temp_path, target, found, lock);
}

// Holds off other Quillet processes that update the same file, from before the
// read until the replace. First a mutex named after the file's path, which
// stays the same object while the file is replaced, so that the writers of one
// session queue on it and none is starved; then, for writers in other sessions
// or on other machines, a lock on a byte of the file far beyond its end (so
// that readers are never stopped). Once that is held the name must still lead
// to the file that was locked, since such a writer may have replaced it
// meanwhile. Where no lock can be had, the update goes on unlocked, as before.
class UpdateLock {
 public:
  explicit UpdateLock(const std::wstring& target) {
    LockName(target);
    for (int attempt = 0; attempt < 1000; ++attempt) {
      Handle file(::CreateFileW(target.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.valid()) return;  // a missing file: the mutex is all there is to hold
      OVERLAPPED far_byte{};
      far_byte.OffsetHigh = 0x7FFFFFF0;
      if (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &far_byte)) return;
      BY_HANDLE_FILE_INFORMATION locked{};
      BY_HANDLE_FILE_INFORMATION now{};
      Handle named(OpenToAsk(target));
      if (Identify(file.get(), locked) && named.valid() && Identify(named.get(), now) &&
          SameIdentity(locked, now)) {
        file_ = std::move(file);
        return;
      }
      // Closing the handle releases the lock.
    }
  }
  ~UpdateLock() {
    file_.Close();
    if (mutex_ != nullptr) {
      ::ReleaseMutex(mutex_);
      ::CloseHandle(mutex_);
    }
  }
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;

  // The handle on the file while the lock is held, for PutIntoPlace.
  Handle* file() { return file_.valid() ? &file_ : nullptr; }

 private:
  void LockName(const std::wstring& target) {
    // The path without regard to case, as the file system treats it.
    std::wstring upper = target;
    ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, target.c_str(),
                   static_cast<int>(target.size()), upper.data(), static_cast<int>(upper.size()));
    unsigned long long hash = 14695981039346656037ull;
    for (const wchar_t c : upper) hash = (hash ^ static_cast<unsigned>(c)) * 1099511628211ull;
    std::wstring name = L"Local\\Quillet.update.";
    for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 0xF];
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) return;
    const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
    // An abandoned mutex (its holder was killed) is held now all the same.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      ::CloseHandle(mutex);
      return;
    }
    mutex_ = mutex;
  }

  Handle file_{INVALID_HANDLE_VALUE};
  HANDLE mutex_ = nullptr;
};

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
  const std::wstring target = WriteTarget(path);
  RewriteTarget found;
  if (IoResult opened = OpenForRewrite(target, found); !opened.ok) return opened;
  // The new contents, or the backup of a file written in place, go beside it.
  return CheckCanCreateIn(Narrow(FolderPart(target)));
}

bool IsSameFile(const std::string& a, const std::string& b) {
  Handle first(OpenToAsk(WidePath(a)));
  Handle second(OpenToAsk(WidePath(b)));
  BY_HANDLE_FILE_INFORMATION first_info{};
  BY_HANDLE_FILE_INFORMATION second_info{};
  return first.valid() && second.valid() && Identify(first.get(), first_info) &&
         Identify(second.get(), second_info) && SameIdentity(first_info, second_info);
}

std::string SymbolicLinkTarget(const std::string& path) {
  std::wstring destination = LinkDestination(FullPath(WidePath(path)));
  if (destination.rfind(LR"(\\?\UNC\)", 0) == 0) {
    destination = LR"(\\)" + destination.substr(8);
  } else if (destination.rfind(LR"(\\?\)", 0) == 0) {
    destination = destination.substr(4);
  }
  return Narrow(destination);
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
  return WriteDurably(WriteTarget(path), bytes, nullptr);
}

IoResult UpdateFileContents(const std::string& path, const ContentsChange& change) {
  const std::wstring target = WriteTarget(path);
  UpdateLock lock(target);
  // Read only now that the lock is held: what another writer finished while
  // this one waited is in what it reads; and what a killed writer left torn is
  // put back first.
  RecoverKilledWrites(target);
  std::string bytes;
  const IoResult read = ReadWholeFile(Narrow(target), bytes);
  if (!change(read, bytes)) return {};
  return WriteDurably(target, bytes, lock.file(), /*recovered=*/true);
}

IoResult CopyFileReplacing(const std::string& from, const std::string& to) {
  const std::wstring source = WidePath(from);
  const DWORD source_attributes = Attributes(source);
  if (source_attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  if (IsFolder(source_attributes)) return FolderFailure();

  const std::wstring target = WriteTarget(to);
  // Replacing the source with itself would first empty it.
  if (IsSameFile(from, Narrow(target))) {
    return {false, "The source and the destination are the same file."};
  }
  RewriteTarget found;
  if (IoResult opened = OpenForRewrite(target, found); !opened.ok) return opened;
  if (found.exists) RecoverKilledWrites(target);
  if (found.exists && found.info.nNumberOfLinks > 1) {
    std::string bytes;
    if (IoResult read = ReadWholeFile(from, bytes); !read.ok) return read;
    return WriteInPlace(target, found, bytes);
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
  } else if (FlushToDisk()) {
    // The copy reaches the disk before it takes the name. It took the source's
    // attributes, read-only perhaps, which a handle for writing would not pass.
    const DWORD copied_attributes = Attributes(temp_path);
    ::SetFileAttributesW(temp_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    error = FlushByName(temp_path);
    if (copied_attributes != INVALID_FILE_ATTRIBUTES) {
      ::SetFileAttributesW(temp_path.c_str(), copied_attributes);
    }
  }
  if (error != 0) {
    ::SetFileAttributesW(temp_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temp_path.c_str());
    return Failure(error);
  }
  return PutIntoPlace(temp_path, target, found, nullptr);
}

IoResult DeleteRegularFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = Attributes(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  // A link to a folder carries the folder attribute itself: refused as a folder.
  if (IsFolder(attributes)) return FolderFailure();
  if (IsReadOnly(attributes)) return Failure(ERROR_ACCESS_DENIED);
  // DeleteFileW deletes a symbolic link itself, never what it points to.
  if (!::DeleteFileW(wide.c_str())) return LastFailure();
  return {};
}

}  // namespace quillet::platform
