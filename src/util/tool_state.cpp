#include "util/tool_state.h"

#include "profile/profile_file.h"
#include "platform/platform.h"
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

void InitToolState(ToolState& state, const std::string& program_directory) {
  state.SettingsPath = EnsureTrailingBackslash(program_directory) + kSettingsFileName;
  LoadLastDirs(state);
  state.ShortcutSectionName = "QuilletShortcut";
  InitProcessorNames(state);
}

void InitToolState(ToolState& state) { InitToolState(state, platform::ProgramDirectory()); }

void LoadLastDirs(ToolState& state) {
  if (!platform::IsOrdinaryFile(state.SettingsPath)) return;
  state.LastInfDir = ReadIniValue(state.SettingsPath, kLastDirsSection, "1");
  state.LastMipsDir = ReadIniValue(state.SettingsPath, kLastDirsSection, "2");
  state.LastSh3Dir = ReadIniValue(state.SettingsPath, kLastDirsSection, "3");
  state.LastArmDir = ReadIniValue(state.SettingsPath, kLastDirsSection, "4");
}

void InitProcessorNames(ToolState& state) {
  state.ProcessorNames = {"", "Mips 4000 (4K) v3.00", "SH 3 (1K) v3.00", "Arm 1100 (4K) v3.00",
                          "Arm 720T (4K) v3.00"};
}

void SaveLastDirs(const ToolState& state) {
  const std::string* folders[] = {&state.LastInfDir, &state.LastMipsDir, &state.LastSh3Dir,
                                  &state.LastArmDir};
  for (int key = 1; key <= 4; ++key) {
    // A folder the user may not write to is no reason to bother them at exit.
    WriteIniValue(state.SettingsPath, kLastDirsSection, std::to_string(key), *folders[key - 1]);
  }
}

}  // namespace quillet
