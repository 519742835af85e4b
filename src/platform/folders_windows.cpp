// Folders and the user's settings folder, Windows half. Only functions that
// Windows XP exports.
#include "platform/windows_support.h"  // windows.h first: the headers below need it
// After windows.h, which it needs.
#include <shlobj.h>

#include <string>

#include "platform/platform.h"

namespace quillet::platform {
namespace {

constexpr DWORD kFolderLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

}  // namespace

bool PathExists(const std::string& path) {
  return ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

IoResult CreateFolder(const std::string& path, bool hidden) {
  const std::wstring wide = WidePath(path);
  if (!::CreateDirectoryW(wide.c_str(), nullptr)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS && FolderExists(path)) return {};
    return Failure(error);
  }
  // Being hidden is a courtesy to the user's view of the folder; the folder
  // works the same without it.
  if (hidden) ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN);
  return {};
}

IoResult RemoveEmptyFolder(const std::string& path) {
  if (!::RemoveDirectoryW(WidePath(path).c_str())) return LastFailure();
  return {};
}

IoResult ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::wstring pattern = WidePath(folder);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // An empty folder still lists "." and ".."; no match at all means no folder.
    return Failure(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
  }
  DWORD error = 0;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool is_folder = (found.dwFileAttributes & kFolderLink) == FILE_ATTRIBUTE_DIRECTORY;
    entries.push_back({Narrow(name), is_folder});
  } while (::FindNextFileW(search, &found));
  error = ::GetLastError();
  ::FindClose(search);
  if (error != ERROR_NO_MORE_FILES) return Failure(error);
  return {};
}

IoResult RemoveFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastFailure();
  if ((attributes & kFolderLink) == kFolderLink) {
    // A link to a folder (junction or symbolic link): removing it leaves the target.
    if (!::RemoveDirectoryW(wide.c_str())) return LastFailure();
    return {};
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Failure(ERROR_DIRECTORY);
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!::DeleteFileW(wide.c_str())) {
    const DWORD error = ::GetLastError();
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) ::SetFileAttributesW(wide.c_str(), attributes);
    return Failure(error);
  }
  return {};
}

IoResult FlushFolder(const std::string& /*folder*/) { return {}; }

std::string UserAppDataDirectory() {
  // SHGetFolderPathW rather than SHGetKnownFolderPath, which Windows XP lacks.
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
    return {};
  }
  std::wstring folder = buffer;
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return Narrow(folder);
}

}  // namespace quillet::platform
