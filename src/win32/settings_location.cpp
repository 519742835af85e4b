#include "win32/settings_location.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it builds on.
#include <shlobj.h>

#include "platform/platform.h"
#include "util/tool_state.h"
#include "win32/wide_text.h"

namespace quillet::win32 {
namespace {

std::string InFolder(const std::string& folder, const char* name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
  return folder + '\\' + name;
}

}  // namespace

std::string UserSettingsFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) ||
      folder[0] == L'\0') {
    return {};
  }
  return InFolder(Narrow(folder), "Quillet");
}

std::string SettingsFolder(const std::string& program_folder, const std::string& user_folder) {
  if (user_folder.empty()) return program_folder;
  if (platform::IsOrdinaryFile(InFolder(user_folder, kSettingsFileName))) return user_folder;
  if (platform::CheckCanRewrite(InFolder(program_folder, kSettingsFileName)).ok) {
    return program_folder;
  }
  // Only the last folder of the path is made; %APPDATA% itself exists.
  const std::wstring wide = Widen(user_folder);
  if (!::CreateDirectoryW(wide.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    return program_folder;
  }
  return user_folder;
}

}  // namespace quillet::win32
