#include "util/tool_state.h"

#include <vector>

#include "platform/platform.h"
#include "profile/profile_file.h"
#include "profile/profile_text.h"
#include "util/path_helpers.h"

namespace quillet {

LauncherFamily FamilyOfSlot(int slot) {
  switch (slot) {
    case 1:
      return LauncherFamily::kMips;
    case 2:
      return LauncherFamily::kSh3;
    default:
      return LauncherFamily::kArm;
  }
}

const std::string& ToolState::LauncherPathForSlot(int slot) const {
  switch (FamilyOfSlot(slot)) {
    case LauncherFamily::kMips:
      return MipsLauncherPath;
    case LauncherFamily::kSh3:
      return Sh3LauncherPath;
    case LauncherFamily::kArm:
      break;
  }
  return ArmLauncherPath;
}

namespace {

// A new settings file starts with the UTF-8 byte order mark, so that a folder
// named outside the ANSI code page ("Ω") is kept; and with a line break, so
// that Windows' own profile functions, which read the mark as text of the first
// line, still find the section on the next one.
constexpr const char* kNewSettingsFileStart = "\xEF\xBB\xBF\r\n";

void LoadLastDirsFrom(ToolState& state, const std::string& path) {
  if (!platform::IsOrdinaryFile(path)) return;
  state.LastInfDir = ReadIniValue(path, kLastDirsSection, "1");
  state.LastMipsDir = ReadIniValue(path, kLastDirsSection, "2");
  state.LastSh3Dir = ReadIniValue(path, kLastDirsSection, "3");
  state.LastArmDir = ReadIniValue(path, kLastDirsSection, "4");
}

// Creates the user's settings folder, and the folders above it that are
// missing too (a fresh ~/.config, or an $XDG_CONFIG_HOME not made yet).
void CreateUserSettingsFolder(const std::string& folder) {
  std::vector<std::string> missing;
  std::string at = StripTrailingBackslash(folder);
  while (!at.empty() && !platform::FolderExists(at) && missing.size() < 8) {
    missing.push_back(at);
    at = StripTrailingBackslash(GetDirectory(at));
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!platform::CreateFolder(*it).ok) return;
    // So that the settings file written into it cannot lose its folder to a power cut.
    platform::FlushFolder(StripTrailingBackslash(GetDirectory(*it)));
  }
}

}  // namespace

void InitToolState(ToolState& state, const std::string& program_directory,
                   const std::string& user_settings_directory) {
  const std::string program_file = EnsureTrailingBackslash(program_directory) + kSettingsFileName;
  const std::string user_file =
      user_settings_directory.empty()
          ? std::string()
          : EnsureTrailingBackslash(user_settings_directory) + kSettingsFileName;
  std::string read_from;
  if (!user_file.empty() && platform::IsOrdinaryFile(user_file)) {
    // Once the user's own file exists, it is the one: it holds the latest folders.
    state.SettingsPath = user_file;
    state.SettingsInUserFolder = true;
  } else if (user_file.empty() || platform::CheckCanRewrite(program_file).ok) {
    state.SettingsPath = program_file;
    state.SettingsInUserFolder = false;
  } else {
    // The program's folder cannot take the file: what it holds is still the
    // best start, and the user's folder gets the file at the first save.
    state.SettingsPath = user_file;
    state.SettingsInUserFolder = true;
    read_from = program_file;
  }
  LoadLastDirsFrom(state, read_from.empty() ? state.SettingsPath : read_from);
  state.ShortcutSectionName = kShortcutSectionName;
  InitProcessorNames(state);
}

void InitToolState(ToolState& state, const std::string& program_directory) {
  InitToolState(state, program_directory, UserSettingsDirectory());
}

void InitToolState(ToolState& state) { InitToolState(state, platform::ProgramDirectory()); }

std::string UserSettingsDirectory() {
  const std::string app_data = platform::UserAppDataDirectory();
  if (app_data.empty()) return {};
  return EnsureTrailingBackslash(app_data) + kUserSettingsFolderName;
}

void LoadLastDirs(ToolState& state) { LoadLastDirsFrom(state, state.SettingsPath); }

void InitProcessorNames(ToolState& state) {
  state.ProcessorNames = {"", "Mips 4000 (4K) v3.00", "SH 3 (1K) v3.00", "Arm 1100 (4K) v3.00",
                          "Arm 720T (4K) v3.00"};
}

void SaveLastDirs(const ToolState& state) {
  const std::string* folders[] = {&state.LastInfDir, &state.LastMipsDir, &state.LastSh3Dir,
                                  &state.LastArmDir};
  if (!platform::PathExists(state.SettingsPath)) {
    if (state.SettingsInUserFolder) CreateUserSettingsFolder(GetDirectory(state.SettingsPath));
    // Made whole in memory and written once: a new file is never seen half made.
    ProfileText text = ProfileText::FromFileBytes(kNewSettingsFileStart);
    for (int key = 1; key <= 4; ++key) {
      // A folder name that cannot be stored (a line break in it) is left out.
      text.SetValue(kLastDirsSection, std::to_string(key), *folders[key - 1]);
    }
    // A folder the user may not write to is no reason to bother them at exit.
    platform::ReplaceFileContents(state.SettingsPath, text.FileBytes());
    return;
  }
  for (int key = 1; key <= 4; ++key) {
    WriteIniValue(state.SettingsPath, kLastDirsSection, std::to_string(key), *folders[key - 1]);
  }
}

}  // namespace quillet
