// Folders and the user's settings folder, POSIX half.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace quillet::platform {
namespace {

IoResult Failure(int error_number) { return {false, std::strerror(error_number)}; }

}  // namespace

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

IoResult CreateFolder(const std::string& path, bool /*hidden*/) {
  if (::mkdir(path.c_str(), 0777) != 0) {
    const int error = errno;
    if (error == EEXIST && FolderExists(path)) return {};
    return Failure(error);
  }
  return {};
}

IoResult RemoveEmptyFolder(const std::string& path) {
  if (::rmdir(path.c_str()) != 0) return Failure(errno);
  return {};
}

IoResult ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return Failure(errno);
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const bool is_folder = ::lstat((folder + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    entries.push_back({name, is_folder});
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) return Failure(error);
  return {};
}

IoResult RemoveFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Failure(errno);
  if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
  // A file's own mode does not guard its name; the folder's does.
  if (::unlink(path.c_str()) != 0) return Failure(errno);
  return {};
}

std::string UserAppDataDirectory() {
  // The XDG rule: a relative $XDG_CONFIG_HOME is to be ignored.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    std::string folder = config;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  std::string home;
  if (const char* env_home = std::getenv("HOME"); env_home != nullptr && env_home[0] == '/') {
    home = env_home;
  } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir) {
    home = user->pw_dir;
  }
  if (home.empty() || home[0] != '/') return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? "" : home) + "/.config";
}

}  // namespace quillet::platform
