// The INF edits of a modification run: they point the package's start-menu
// shortcut at the launcher through the tool's own shortcut section, and move the
// launcher's entry from the common source-file list into each processor's list.
// Each write logs one row; a write that fails logs the same row in red with the
// file and the reason.
#pragma once

#include <string>

#include "status/status_log.h"
#include "util/tool_state.h"

namespace quillet {

inline constexpr const char* kInfChangeAction = "INF Change";
inline constexpr const char* kInfAddSectionAction = "INF Add Section";
inline constexpr const char* kInfAddKeyAction = "INF Add Key";
inline constexpr const char* kInfRemoveKeyAction = "INF Remove Key";
inline constexpr const char* kInfAddCpuKeyAction = "INF Add CPU Key";

inline constexpr const char* kDefaultInstallSection = "DefaultInstall";
inline constexpr const char* kCeShortcutsKey = "CEShortcuts";
inline constexpr const char* kDestinationDirsSection = "DestinationDirs";
inline constexpr const char* kSourceDisksFilesSection = "SourceDisksFiles";
// Where the shortcut goes on the device: the Start Menu under the Windows folder.
// A value inside the INF, so its "\" stays on every platform.
inline constexpr const char* kShortcutDestination = ",%CE2%\\Start Menu";

// The one shortcut line of the tool's section: %AppName%,0,"<wrapper>".
std::string ShortcutLine(const std::string& wrapper_file_name);

// [DefaultInstall] CEShortcuts = the tool's section name; logs the old value.
void ChangeShortcutKey(const ToolState& state, const std::string& inf_path, StatusLog& log);

// Makes the tool's shortcut section hold exactly the one shortcut line.
void AddShortcutSection(const ToolState& state, const std::string& inf_path,
                        const std::string& wrapper_file_name, StatusLog& log);

// [DestinationDirs] <section name> = ,%CE2%\Start Menu.
void AddShortcutDestination(const ToolState& state, const std::string& inf_path, StatusLog& log);

// Removes the launcher's key from [SourceDisksFiles]; logs a row also when there was none.
void RemoveSourceDiskKey(const std::string& inf_path, const std::string& wrapper_file_name,
                         StatusLog& log);

// For each processor, in slot order, whose "SourceDisksFiles." + name section
// has keys: adds the launcher's key with the value of the section's first key
// (its source disk number), one row per section.
void AddCpuSourceDiskKeys(const ToolState& state, const std::string& inf_path,
                          const std::string& wrapper_file_name, StatusLog& log);

}  // namespace quillet
