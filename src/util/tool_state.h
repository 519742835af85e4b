// The one record of shared values that the window and the actions read and
// write: made at start-up by InitToolState, owned by the application and passed
// by reference.
#pragma once

#include <array>
#include <string>

namespace quillet {

// The processors the tool knows, slots 1 to 4 (slot 0 is never used).
inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 4;

// Launcher families: slot 1 MIPS, slot 2 SH3, slots 3 and 4 ARM.
enum class LauncherFamily { kMips, kSh3, kArm };
LauncherFamily FamilyOfSlot(int slot);

inline constexpr const char* kSettingsFileName = "Davure.ini";
// The name of the shortcut section that the INF edits add.
inline constexpr const char* kShortcutSectionName = "QuilletShortcut";
inline constexpr const char* kLastDirsSection = "LastDirs";
// The folder below the user's application-data folder that holds the settings
// file when the program's own folder cannot be written.
inline constexpr const char* kUserSettingsFolderName = "Quillet";

struct ToolState {
  std::string SettingsPath;
  // True when SettingsPath lies in the user's own settings folder, which
  // SaveLastDirs creates when it is missing (the program's folder never is).
  bool SettingsInUserFolder = false;
  std::string ShortcutSectionName;
  std::array<std::string, kLastSlot + 1> ProcessorNames{};
  std::array<bool, kLastSlot + 1> ProcessorPresent{};

  std::string MipsLauncherPath;
  std::string Sh3LauncherPath;
  std::string ArmLauncherPath;

  std::string LastInfDir;   // without trailing separator
  std::string LastMipsDir;  // with trailing separator
  std::string LastSh3Dir;   // with trailing separator
  std::string LastArmDir;   // with trailing separator

  // The launcher path that serves the slot's family.
  const std::string& LauncherPathForSlot(int slot) const;
};

// Fills the record at start-up: the settings file, the remembered folders from
// it, the shortcut section name, the processor names.
//
// The settings file is Davure.ini in `program_directory`, unless the user's
// own settings folder `user_settings_directory` (empty: none) holds one, which
// is then read and written instead; or unless the program's Davure.ini cannot
// be written where it is (a program folder under Program Files, a read-only
// share, a read-only file): then the folders are read from it, when it exists,
// and saved to the user's folder from then on.
void InitToolState(ToolState& state, const std::string& program_directory,
                   const std::string& user_settings_directory);

// The same, with the user's settings folder UserSettingsDirectory().
void InitToolState(ToolState& state, const std::string& program_directory);

// The same, with the settings file beside the running program.
void InitToolState(ToolState& state);

// The user's own settings folder for Quillet: the application-data folder +
// "Quillet" (Windows: %APPDATA%\Quillet; elsewhere ~/.config/Quillet or
// $XDG_CONFIG_HOME/Quillet). Empty when the system names none.
std::string UserSettingsDirectory();

// Reads the four remembered folders, when the settings file is an ordinary file.
void LoadLastDirs(ToolState& state);

// Puts the four processor names into slots 1 to 4.
void InitProcessorNames(ToolState& state);

// Writes all four remembered folders to the settings file; failures are ignored.
// An existing file keeps its encoding (an ANSI file stays ANSI); a new one is
// written as UTF-8 with its byte order mark, so that any folder name survives.
void SaveLastDirs(const ToolState& state);

}  // namespace quillet
