// The POSIX half of the platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "platform/ansi_code_page.h"
#include "platform/flush_switch.h"
#include "platform/platform.h"
#include "platform/temporary_names.h"

namespace quillet::platform {
namespace {

IoResult Failure(int error_number) {
  IoResult result{false, std::strerror(error_number)};
  result.not_found = error_number == ENOENT;
  return result;
}

IoResult Failure(const std::string& text) { return {false, text}; }

constexpr const char* kSameFileText = "The source and the destination are the same file";

bool HasWriteBit(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~Fd() { reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Writes all of bytes to fd at `offset` (or at the file position when
// negative), retrying on short writes and interruptions; 0 or errno.
int WriteAll(int fd, std::string_view bytes, off_t offset = -1) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = offset < 0 ? ::write(fd, bytes.data() + done, bytes.size() - done)
                                 : ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                            offset + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Reads the rest of an open file; 0 or errno.
int ReadAll(int fd, std::string& bytes, std::size_t size_hint) {
  // Room for the size the file has plus one byte, so that reaching the end
  // costs no reallocation; a file that grows meanwhile is still read whole.
  bytes.resize(size_hint + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return errno;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return 0;
}

// Waits until the file's data (and its size) is on the disk; 0 or errno.
int Flush(int fd) {
  if (!FlushToDisk()) return 0;
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Waits until the entries of the open folder (a rename, a new or removed name)
// are on the disk; 0 or errno. A file system that cannot flush folders
// (EINVAL, EROFS) leaves nothing more to do.
int SyncFolderEntries(int folder_fd) {
  if (!FlushToDisk()) return 0;
  while (::fsync(folder_fd) != 0) {
    if (errno == EINTR) continue;
    return errno == EINVAL || errno == EROFS || errno == ENOTSUP ? 0 : errno;
  }
  return 0;
}

// The same by the folder's name; a folder that cannot be opened leaves nothing
// more to do.
int SyncFolder(const std::string& folder) {
  const Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.valid() ? SyncFolderEntries(fd.get()) : 0;
}

// The file a path finally names, so that writing through a link keeps the link.
// A link that leads nowhere is refused rather than replaced by a file.
int ResolveLinks(const std::string& path, std::string& target) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) {
    target = resolved;
    return 0;
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return ENOENT;
  target = path;  // a missing file: written where the path says
  return 0;
}

// ---------------------------------------------------------------------------
// Temporary files and backups beside a target: "." + the start of the target's
// name + ".quillet-" + process id + "-" + random number + ".tmp" (or, for the
// backup of a file written in place, "-" + its inode number + ".bak").

std::string TemporaryPrefix(const std::string& target) {
  return "." + BorrowedName(NameOf(target)) + ".quillet-";
}

std::uint64_t RandomNumber() {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  return rng() % 1000000000;
}

std::string TemporaryPath(const std::string& target, const std::string& suffix) {
  return FolderOf(target) + "/" + TemporaryPrefix(target) + std::to_string(::getpid()) + "-" +
         std::to_string(RandomNumber()) + suffix;
}

std::string BackupSuffix(const struct stat& target) {
  return "-" + std::to_string(target.st_ino) + ".bak";
}

// A new file beside target, for writing. Where the file system can, it has no
// name at all until it is finished (O_TMPFILE), so that a write killed halfway
// leaves nothing behind; elsewhere it gets a temporary name at once.
struct Temporary {
  Fd fd;
  std::string path;  // empty while the file has no name
};

int CreateTemporary(const std::string& target, mode_t mode, Temporary& temp) {
#ifdef O_TMPFILE
  temp.fd.reset(::open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
  if (temp.fd.valid()) return 0;
  // EOPNOTSUPP: the file system has no unnamed files; EISDIR or EINVAL: the
  // kernel does not know the flag.
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp.path = TemporaryPath(target, ".tmp");
    temp.fd.reset(
        ::open(temp.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
    if (temp.fd.valid()) return 0;
    if (errno != EEXIST) {
      temp.path.clear();
      return errno;
    }
  }
  temp.path.clear();
  return EEXIST;
}

// Gives an unnamed temporary file its temporary name, just before it takes the
// target's; 0 or errno.
int NameTemporary(const std::string& target, Temporary& temp) {
  if (!temp.path.empty()) return 0;
  const std::string self = "/proc/self/fd/" + std::to_string(temp.fd.get());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = TemporaryPath(target, ".tmp");
    int error = 0;
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      error = errno;
#ifdef AT_EMPTY_PATH
      // Without /proc, naming the descriptor itself needs privileges root has.
      if (error == ENOENT &&
          ::linkat(temp.fd.get(), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) {
        error = 0;
      } else if (error == ENOENT) {
        error = errno;
      }
#endif
    }
    if (error == 0) {
      temp.path = path;
      return 0;
    }
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

void DiscardTemporary(Temporary& temp) {
  temp.fd.reset();
  if (!temp.path.empty()) ::unlink(temp.path.c_str());
  temp.path.clear();
}

// Whether the process that made a temporary file is gone. Our own are not
// stale, and neither is one whose maker cannot be told (a process of another
// user is alive when kill answers EPERM).
bool MakerIsGone(std::string_view rest) {
  const auto dash = rest.find('-');
  if (dash == std::string_view::npos || dash == 0) return false;
  pid_t pid = 0;
  for (const char c : rest.substr(0, dash)) {
    if (c < '0' || c > '9') return false;
    pid = pid * 10 + (c - '0');
  }
  if (pid <= 0 || pid == ::getpid()) return false;
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Writes bytes over the whole file in place and waits for the disk; 0 or errno.
int OverwriteInPlace(int fd, std::string_view bytes) {
  if (const int error = WriteAll(fd, bytes, 0); error != 0) return error;
  while (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
    if (errno != EINTR) return errno;
  }
  return Flush(fd);
}

// Clears up after writes of the same target that were killed: their temporary
// files go, and a backup of a file that was being written in place is put back
// first (the file may be torn), then goes.
void RecoverKilledWrites(const std::string& target) {
  struct stat target_st {};
  if (::stat(target.c_str(), &target_st) != 0 || !S_ISREG(target_st.st_mode)) return;
  const std::string folder = FolderOf(target);
  const std::string prefix = TemporaryPrefix(target);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    const bool temporary = name.ends_with(".tmp");
    const bool backup = name.ends_with(BackupSuffix(target_st));
    if ((temporary || backup) && MakerIsGone(name.substr(prefix.size()))) {
      stale.emplace_back(name);
    }
  }
  ::closedir(dir);
  bool removed = false;
  for (const std::string& name : stale) {
    const std::string path = folder + "/" + name;
    if (name.ends_with(".bak")) {
      std::string old_bytes;
      const Fd backup(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
      if (!backup.valid() || ReadAll(backup.get(), old_bytes, 0) != 0) continue;
      const Fd target_fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      // Kept for a later try when it cannot be put back now.
      if (!target_fd.valid() || OverwriteInPlace(target_fd.get(), old_bytes) != 0) continue;
    }
    removed |= ::unlink(path.c_str()) == 0;
  }
  if (removed) SyncFolder(folder);
}

// ---------------------------------------------------------------------------
// Rewriting a file

// What a rewrite finds at its target.
struct RewriteTarget {
  bool exists = false;
  struct stat st {};
  Fd fd;  // open for writing when the file exists
};

// The test every rewrite meets first, and CheckCanRewrite with it: the file is
// rewritten only if the user could open it for writing where it is. Root too
// is refused a file without any write bit, as the profile functions on Windows
// refuse a read-only file.
IoResult OpenForRewrite(const std::string& target, RewriteTarget& found) {
  found.exists = false;
  found.fd.reset();
  if (::stat(target.c_str(), &found.st) != 0) {
    if (errno == ENOENT) return {};  // to be created
    return Failure(errno);
  }
  if (S_ISDIR(found.st.st_mode)) return Failure(EISDIR);
  if (!S_ISREG(found.st.st_mode)) return Failure(EINVAL);
  if (!HasWriteBit(found.st)) return Failure(EACCES);
  found.fd.reset(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!found.fd.valid()) return Failure(errno);
  if (::fstat(found.fd.get(), &found.st) != 0) return Failure(errno);
  if (!S_ISREG(found.st.st_mode)) return Failure(EINVAL);  // swapped meanwhile
  found.exists = true;
  return {};
}

// Gives the new file what belongs to the old one: owner and group, extended
// attributes (POSIX ACLs live there too) and mode. False when the owner, group
// or an attribute cannot be given (a file of another user, an attribute only
// privileged users may set): the file is then written in place instead. A mode
// that the file system refuses (FAT, NTFS through FUSE, some network shares)
// is no reason to fail: such file systems have no modes to keep.
bool KeepWhatBelongsToTheFile(int temp_fd, int target_fd, const struct stat& target_st) {
  struct stat temp_st {};
  if (::fstat(temp_fd, &temp_st) != 0) return false;
  if ((temp_st.st_uid != target_st.st_uid || temp_st.st_gid != target_st.st_gid) &&
      ::fchown(temp_fd, target_st.st_uid, target_st.st_gid) != 0) {
    return false;
  }

  auto names_of = [](int fd, std::vector<char>& names) {
    for (;;) {
      const ssize_t size = ::flistxattr(fd, nullptr, 0);
      if (size < 0) return errno == ENOTSUP ? ssize_t{0} : size;
      names.resize(static_cast<std::size_t>(size));
      const ssize_t got = size == 0 ? 0 : ::flistxattr(fd, names.data(), names.size());
      if (got >= 0 || errno != ERANGE) return got;
    }
  };
  std::vector<char> names;
  const ssize_t names_size = names_of(target_fd, names);
  if (names_size < 0) return false;
  std::vector<char> value;
  for (std::size_t at = 0; at < static_cast<std::size_t>(names_size);) {
    const char* name = names.data() + at;
    at += std::strlen(name) + 1;
    ssize_t size = ::fgetxattr(target_fd, name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    size = ::fgetxattr(target_fd, name, value.data(), value.size());
    if (size < 0 ||
        ::fsetxattr(temp_fd, name, value.data(), static_cast<std::size_t>(size), 0) != 0) {
      return false;
    }
  }
  // Attributes the new file got from its folder (a default ACL) that the old
  // one did not have go again.
  std::vector<char> temp_names;
  const ssize_t temp_size = names_of(temp_fd, temp_names);
  for (std::size_t at = 0; temp_size > 0 && at < static_cast<std::size_t>(temp_size);) {
    const char* name = temp_names.data() + at;
    at += std::strlen(name) + 1;
    if (::fgetxattr(target_fd, name, nullptr, 0) < 0 && ::fremovexattr(temp_fd, name) != 0) {
      return false;
    }
  }
  // After the owner: changing the owner clears the set-user-ID bits.
  (void)::fchmod(temp_fd, target_st.st_mode & 07777);
  return true;
}

// Writes a file that must keep its inode (several hard links, or an owner
// the new file could not be given) in place. A backup of the old contents
// reaches the disk first and goes only once the new contents are there, so a
// write that breaks off can be put back: here at once, after a crash by the
// next write of the file.
IoResult WriteInPlace(const std::string& target, RewriteTarget& found, std::string_view bytes) {
  std::string old_bytes;
  {
    const Fd reader(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!reader.valid()) return Failure(errno);
    if (const int error =
            ReadAll(reader.get(), old_bytes, static_cast<std::size_t>(found.st.st_size));
        error != 0) {
      return Failure(error);
    }
  }
  if (old_bytes == bytes) return {};

  std::string backup_path;
  Fd backup;
  for (int attempt = 0; attempt < 100 && !backup.valid(); ++attempt) {
    backup_path = TemporaryPath(target, BackupSuffix(found.st));
    backup.reset(::open(backup_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                        S_IRUSR | S_IWUSR));
    if (!backup.valid() && errno != EEXIST) return Failure(errno);
  }
  if (!backup.valid()) return Failure(EEXIST);
  int error = WriteAll(backup.get(), old_bytes);
  if (error == 0) error = Flush(backup.get());
  backup.reset();
  if (error == 0) error = SyncFolder(FolderOf(target));
  if (error != 0) {
    ::unlink(backup_path.c_str());
    return Failure(error);
  }

  error = OverwriteInPlace(found.fd.get(), bytes);
  if (error != 0) {
    // Put the old contents back; if even that fails, the backup is the only
    // whole copy and stays.
    if (OverwriteInPlace(found.fd.get(), old_bytes) != 0) {
      return Failure(std::string(std::strerror(error)) + "; the old contents are kept in " +
                     backup_path);
    }
    ::unlink(backup_path.c_str());
    return Failure(error);
  }
  ::unlink(backup_path.c_str());
  SyncFolder(FolderOf(target));
  return {};
}

// Writes bytes as the file at target (links already resolved): see
// ReplaceFileContents. `new_file_mode` is the mode of a file that is created.
// `recovered`: RecoverKilledWrites has already run for this write.
IoResult WriteDurably(const std::string& target, std::string_view bytes, mode_t new_file_mode,
                      bool recovered = false) {
  RewriteTarget found;
  if (IoResult opened = OpenForRewrite(target, found); !opened.ok) return opened;
  if (found.exists && !recovered) RecoverKilledWrites(target);
  if (found.exists && found.st.st_nlink > 1) return WriteInPlace(target, found, bytes);

  Temporary temp;
  const mode_t mode = found.exists ? (found.st.st_mode & 0777) : new_file_mode;
  if (const int error = CreateTemporary(target, mode, temp); error != 0) return Failure(error);
  int error = WriteAll(temp.fd.get(), bytes);
  if (error == 0 && found.exists &&
      !KeepWhatBelongsToTheFile(temp.fd.get(), found.fd.get(), found.st)) {
    DiscardTemporary(temp);
    return WriteInPlace(target, found, bytes);
  }
  // The contents reach the disk before they take the name: a plain rename is
  // atomic for readers but not for a power cut.
  if (error == 0) error = Flush(temp.fd.get());
  if (error == 0) error = NameTemporary(target, temp);
  if (error == 0 && ::rename(temp.path.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    DiscardTemporary(temp);
    return Failure(error);
  }
  temp.fd.reset();
  // And the new name reaches the disk before the write counts as done.
  if (const int folder_error = SyncFolder(FolderOf(target)); folder_error != 0) {
    return Failure(folder_error);
  }
  return {};
}

// Holds off other Quillet processes that update a file in the same folder,
// from before the read until the replace (flock, advisory: other programs are
// not held). The lock is on the folder, which stays the same object while the
// files in it are replaced, so waiting writers queue on one lock and none is
// starved. Where the folder cannot be opened or locked (no read permission, a
// network file system), the file itself is locked, and once the lock is held its name must still
// lead to what was locked, since another writer may have replaced it meanwhile. Where no lock can
// be had (a file system without them), the update goes on unlocked, as it would have before.
class UpdateLock {
 public:
  explicit UpdateLock(const std::string& target) {
    Fd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid() && Lock(folder.get())) {
      fd_ = std::move(folder);
      return;
    }
    for (int attempt = 0; attempt < 100000; ++attempt) {
      // Open for writing where possible: some network file systems lock only
      // such descriptors.
      Fd fd(::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      if (!fd.valid())
        fd.reset(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      if (!fd.valid() || !Lock(fd.get())) return;
      struct stat locked {};
      struct stat now {};
      if (::fstat(fd.get(), &locked) != 0) return;
      if (::stat(target.c_str(), &now) == 0 && now.st_dev == locked.st_dev &&
          now.st_ino == locked.st_ino) {
        fd_ = std::move(fd);
        return;
      }
    }
  }

 private:
  static bool Lock(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }

  Fd fd_;  // closing it releases the lock
};

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

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string SymbolicLinkTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

IoResult FlushFolder(const std::string& folder) {
  const Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return Failure(errno);
  if (const int error = SyncFolderEntries(fd.get()); error != 0) return Failure(error);
  return {};
}

IoResult CheckCanCreateIn(const std::string& folder) {
  struct stat st {};
  const std::string where = folder.empty() ? "." : folder;
  if (::stat(where.c_str(), &st) != 0) return Failure(errno);
  if (!S_ISDIR(st.st_mode)) return Failure(ENOTDIR);
#ifdef O_TMPFILE
  // The very step a write takes first: a new file there, which has no name and
  // so leaves nothing behind.
  const Fd probe(::open(where.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, S_IRUSR | S_IWUSR));
  if (probe.valid()) return {};
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Failure(errno);
#endif
  // Effective ids, as the open that creates the file would use them.
  if (::faccessat(AT_FDCWD, where.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return Failure(errno);
  return {};
}

IoResult CheckCanRewrite(const std::string& path) {
  std::string target;
  if (const int error = ResolveLinks(path, target); error != 0) return Failure(error);
  RewriteTarget found;
  if (IoResult opened = OpenForRewrite(target, found); !opened.ok) return opened;
  // The new contents, or the backup of a file written in place, go beside it.
  return CheckCanCreateIn(FolderOf(target));
}

IoResult ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  // Non-blocking, so that a FIFO or device under the name cannot hang the
  // open; regular files ignore the flag.
  const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.valid()) return Failure(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return Failure(errno);
  if (!S_ISREG(st.st_mode)) return Failure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  if (const int error = ReadAll(fd.get(), bytes, static_cast<std::size_t>(st.st_size));
      error != 0) {
    return Failure(error);
  }
  return {};
}

IoResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::string target;
  if (const int error = ResolveLinks(path, target); error != 0) return Failure(error);
  // A new file gets the usual permissions, less the umask.
  return WriteDurably(target, bytes, 0666);
}

IoResult UpdateFileContents(const std::string& path, const ContentsChange& change) {
  std::string target;
  if (const int error = ResolveLinks(path, target); error != 0) return Failure(error);
  const UpdateLock lock(target);
  // Read only now that the lock is held: what another writer finished while
  // this one waited is in what it reads; and what a killed writer left torn is
  // put back first.
  RecoverKilledWrites(target);
  std::string bytes;
  const IoResult read = ReadWholeFile(target, bytes);
  if (!change(read, bytes)) return {};
  return WriteDurably(target, bytes, 0666, /*recovered=*/true);
}

IoResult CopyFileReplacing(const std::string& from, const std::string& to) {
  const Fd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!source.valid()) return Failure(errno);
  struct stat source_st {};
  if (::fstat(source.get(), &source_st) != 0) return Failure(errno);
  if (S_ISDIR(source_st.st_mode)) return Failure(EISDIR);
  if (!S_ISREG(source_st.st_mode)) return Failure(EINVAL);

  std::string target;
  if (const int error = ResolveLinks(to, target); error != 0) return Failure(error);
  // Replacing the source with itself would first empty it: a link to it, or a
  // folder link that leads back to it, must never be written.
  struct stat target_st {};
  if (::stat(target.c_str(), &target_st) == 0 && target_st.st_dev == source_st.st_dev &&
      target_st.st_ino == source_st.st_ino) {
    return Failure(kSameFileText);
  }
  std::string bytes;
  if (const int error = ReadAll(source.get(), bytes, static_cast<std::size_t>(source_st.st_size));
      error != 0) {
    return Failure(error);
  }
  // A new copy takes the source's permission bits, as a copy on Windows takes
  // its attributes.
  return WriteDurably(target, bytes, source_st.st_mode & 07777);
}

IoResult DeleteRegularFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Failure(errno);
  if (S_ISLNK(st.st_mode)) {
    // Only the link goes; a link to a folder is no file to delete.
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) return Failure(EISDIR);
  } else {
    if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
    if (!S_ISREG(st.st_mode)) return {false, "Not a regular file"};
    if (!HasWriteBit(st)) return Failure(EACCES);
  }
  if (::unlink(path.c_str()) != 0) return Failure(errno);
  if (const int error = SyncFolder(FolderOf(path)); error != 0) return Failure(error);
  return {};
}

}  // namespace quillet::platform
