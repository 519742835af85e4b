// What the Step 4 page needs to know about the chosen package: which processors
// its INF targets (and so which launcher rows are needed), and whether
// everything a modification run needs has been filled in.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "util/tool_state.h"

namespace quillet {

// The three launcher rows of the Step 4 page, one per family.
inline constexpr int kLauncherRowCount = 3;
inline constexpr int kMipsRow = 0;
inline constexpr int kSh3Row = 1;
inline constexpr int kArmRow = 2;

// The launcher row that serves a processor slot: slot 1 MIPS, slot 2 SH3,
// slots 3 and 4 share the ARM row.
int LauncherRowOfSlot(int slot);

// Recomputes all four present flags of state from the INF: a processor is
// present when the INF has a section "SourceDisksFiles." + its name holding at
// least one key. Flags of an earlier INF never survive. A missing or unreadable
// file is no error: nothing is present. Returns which launcher rows are needed.
std::array<bool, kLauncherRowCount> DetectProcessors(ToolState& state, const std::string& inf_path);

// What readiness looks at in one launcher row: whether its box is enabled and
// the box's text.
struct LauncherRowInput {
  bool enabled = false;
  std::string text;
};

// True when the INF box holds text and no enabled launcher box is empty. Both
// tests compare with the empty text exactly, so a box of spaces counts as
// filled; disabled rows are ignored whatever they hold.
bool IsReadyToModify(const std::string& inf_box_text,
                     const std::array<LauncherRowInput, kLauncherRowCount>& rows);

// The folder remembered for a chosen INF: its folder without the trailing
// separator ("C:\Pkg\a.inf" gives "C:\Pkg", "C:\a.inf" the bare drive "C:").
// At the root of a file system, where nothing would be left, the separator
// stays ("/a.inf" gives "/"). Empty when the path names no folder; the caller
// then keeps the folder it remembers.
std::string InfFolderToRemember(const std::string& inf_path,
                                char separator = platform::kPathSeparator);

// The folder remembered for a chosen launcher: its folder with the trailing
// separator; empty when the path names no folder.
std::string LauncherFolderToRemember(const std::string& launcher_path,
                                     char separator = platform::kPathSeparator);

// The folder a file dialog opens in for a remembered folder: without the
// trailing separator, except where that would leave a root unusable: "/" stays
// "/", and a bare drive "C:" becomes its root "C:\" rather than the drive's
// current folder. Nothing for an empty remembered folder.
std::optional<std::string> DialogFolder(const std::string& remembered,
                                        char separator = platform::kPathSeparator);

}  // namespace quillet
