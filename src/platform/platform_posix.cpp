// The POSIX half of the platform layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "platform/ansi_code_page.h"
#include "platform/platform.h"

namespace quillet::platform {
namespace {

IoResult Failure(int error_number) { return {false, std::strerror(error_number)}; }

bool HasWriteBit(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes all of bytes to fd, retrying on short writes and interruptions.
int WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Opens a new, uniquely named file beside `target` for writing.
int OpenTemporaryBeside(const std::string& target, mode_t mode, std::string& temp_path) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  const std::string folder = FolderOf(target);
  const auto slash = target.find_last_of('/');
  // The temporary name borrows at most 64 bytes of the target's, so that a
  // target whose name is near the file system's limit can still be written.
  const std::string name =
      (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, 64);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = folder + "/." + name + "." + std::to_string(rng() % 1000000000) + ".tmp";
    const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Puts the finished temporary file in target's place. Where the file system
// can, the two names are swapped and the old file then removed: a plain rename
// over an existing file makes ext4 flush the new data first (its guard against
// empty files after a power cut), which costs more than the whole edit of a
// small INF. The swap is as atomic for every reader and for a crash of the
// program; the profile functions on Windows give no more, rewriting in place.
int MoveIntoPlace(const std::string& temp_path, const std::string& target, bool target_exists) {
#ifdef RENAME_EXCHANGE
  if (target_exists) {
    if (::renameat2(AT_FDCWD, temp_path.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
      ::unlink(temp_path.c_str());  // the old file, now under the temporary name
      return 0;
    }
    // File systems without the swap, or a target gone meanwhile: rename.
    if (errno != EINVAL && errno != ENOSYS && errno != ENOENT && errno != EOPNOTSUPP) return errno;
  }
#else
  (void)target_exists;
#endif
  return ::rename(temp_path.c_str(), target.c_str()) == 0 ? 0 : errno;
}

// Writes bytes to a temporary file beside `target` and renames it over target.
// `mode` is given to the new file; `keep_owner` copies uid and gid when known.
IoResult WriteThroughTemporary(const std::string& target, std::string_view bytes, mode_t mode,
                               const struct stat* keep_owner, bool target_exists) {
  std::string temp_path;
  const int fd = OpenTemporaryBeside(target, mode, temp_path);
  if (fd < 0) return Failure(errno);
  int error = WriteAll(fd, bytes);
  if (error == 0 && keep_owner != nullptr) {
    // The umask applied to the new file; the original's bits are what we keep.
    if (::fchmod(fd, keep_owner->st_mode & 07777) != 0) error = errno;
    if (::fchown(fd, keep_owner->st_uid, keep_owner->st_gid) != 0) {
      // Only the owner's own files can be given away; the mode is what matters.
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  // Renaming over the original is atomic: readers see the old or the new file,
  // never half of one. A failure anywhere before leaves the original untouched.
  if (error == 0) error = MoveIntoPlace(temp_path, target, target_exists);
  if (error != 0) {
    ::unlink(temp_path.c_str());
    return Failure(error);
  }
  return {};
}

// The file a path finally names, so that writing through a link keeps the link.
std::string ResolveLinks(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) { return Windows1252ToUtf8(ansi); }

std::string Utf8ToAnsi(std::string_view utf8) { return Utf8ToWindows1252(utf8); }

std::string ProgramDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  return FolderOf(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

bool IsOrdinaryFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !HasWriteBit(st);
}

IoResult CheckCanCreateIn(const std::string& folder) {
  struct stat st {};
  const std::string where = folder.empty() ? "." : folder;
  if (::stat(where.c_str(), &st) != 0) return Failure(errno);
  if (!S_ISDIR(st.st_mode)) return Failure(ENOTDIR);
  // Effective ids, as the open that creates the file would use them.
  if (::faccessat(AT_FDCWD, where.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return Failure(errno);
  return {};
}

IoResult CheckCanRewrite(const std::string& path) {
  const std::string target = ResolveLinks(path);
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) return Failure(errno);
    return CheckCanCreateIn(FolderOf(target));
  }
  if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
  if (!S_ISREG(st.st_mode)) return Failure(EINVAL);
  // No write bit at all counts as read-only, for root too.
  if (!HasWriteBit(st)) return Failure(EACCES);
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return Failure(errno);
  // The new contents go to a temporary file in the same folder.
  return CheckCanCreateIn(FolderOf(target));
}

IoResult ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  // Non-blocking, so that a FIFO or device under the name cannot hang the
  // open; regular files ignore the flag.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Failure(errno);
  struct stat st {};
  int error = ::fstat(fd, &st) != 0 ? errno : 0;
  if (error == 0 && !S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (error != 0) {
    ::close(fd);
    return Failure(error);
  }
  // Room for the size the file has plus one byte, so that reaching the end
  // costs no reallocation; a file that grows meanwhile is still read whole.
  bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      ::close(fd);
      bytes.clear();
      return Failure(error);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  ::close(fd);
  return {};
}

IoResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
  const std::string target = ResolveLinks(path);
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
    if (!S_ISREG(st.st_mode)) return Failure(EINVAL);
    if (!HasWriteBit(st)) return Failure(EACCES);
    return WriteThroughTemporary(target, bytes, S_IRUSR | S_IWUSR, &st, true);
  }
  if (errno != ENOENT) return Failure(errno);
  // A new file gets the usual permissions, less the umask.
  return WriteThroughTemporary(target, bytes, 0666, nullptr, false);
}

IoResult CopyFileReplacing(const std::string& from, const std::string& to) {
  struct stat source {};
  if (::stat(from.c_str(), &source) != 0) return Failure(errno);
  if (S_ISDIR(source.st_mode)) return Failure(EISDIR);
  if (!S_ISREG(source.st_mode)) return Failure(EINVAL);
  std::string bytes;
  if (IoResult read = ReadWholeFile(from, bytes); !read.ok) return read;

  const std::string target = ResolveLinks(to);
  struct stat existing {};
  const bool target_exists = ::stat(target.c_str(), &existing) == 0;
  if (target_exists) {
    if (S_ISDIR(existing.st_mode)) return Failure(EISDIR);
    if (!S_ISREG(existing.st_mode)) return Failure(EINVAL);
    if (!HasWriteBit(existing)) return Failure(EACCES);
  } else if (errno != ENOENT) {
    return Failure(errno);
  }
  // Like a copy on Windows, the copy takes the source's permission bits.
  return WriteThroughTemporary(target, bytes, source.st_mode & 07777, nullptr, target_exists);
}

IoResult DeleteRegularFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Failure(errno);
  if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
  if (!S_ISREG(st.st_mode)) return {false, "Not a regular file"};
  if (!HasWriteBit(st)) return Failure(EACCES);
  if (::unlink(path.c_str()) != 0) return Failure(errno);
  return {};
}

}  // namespace quillet::platform
