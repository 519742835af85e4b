// What the Step 4 page needs to know about the chosen package: which processors
// its INF targets (and so which launcher rows are needed), and whether
// everything a modification run needs has been filled in.
#pragma once

#include <array>
#include <string>

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

}  // namespace quillet
