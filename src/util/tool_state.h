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
inline constexpr const char* kLastDirsSection = "LastDirs";

struct ToolState {
  std::string SettingsPath;
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

// Fills the record at start-up: the settings file in `program_directory`, the
// remembered folders from it, the shortcut section name, the processor names.
void InitToolState(ToolState& state, const std::string& program_directory);

// The same, with the settings file beside the running program.
void InitToolState(ToolState& state);

// Reads the four remembered folders, when the settings file is an ordinary file.
void LoadLastDirs(ToolState& state);

// Puts the four processor names into slots 1 to 4.
void InitProcessorNames(ToolState& state);

// Writes all four remembered folders to the settings file; failures are ignored.
void SaveLastDirs(const ToolState& state);

}  // namespace quillet
