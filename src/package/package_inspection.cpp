#include "package/package_inspection.h"

#include <string_view>

#include "profile/profile_file.h"
#include "util/path_helpers.h"

namespace quillet {

namespace {

// Only spaces are trimmed; anything else, the NUL after each key name
// included, is content.
std::string_view TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

int LauncherRowOfSlot(int slot) {
  switch (FamilyOfSlot(slot)) {
    case LauncherFamily::kMips:
      return kMipsRow;
    case LauncherFamily::kSh3:
      return kSh3Row;
    case LauncherFamily::kArm:
      break;
  }
  return kArmRow;
}

std::array<bool, kLauncherRowCount> DetectProcessors(ToolState& state,
                                                     const std::string& inf_path) {
  std::array<bool, kLauncherRowCount> rows{};
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const std::string section = "SourceDisksFiles." + state.ProcessorNames[slot];
    const bool present = !TrimSpaces(ReadIniKeyNames(inf_path, section)).empty();
    state.ProcessorPresent[slot] = present;
    if (present) rows[LauncherRowOfSlot(slot)] = true;
  }
  return rows;
}

bool IsReadyToModify(const std::string& inf_box_text,
                     const std::array<LauncherRowInput, kLauncherRowCount>& rows) {
  if (inf_box_text.empty()) return false;
  for (const LauncherRowInput& row : rows) {
    if (row.enabled && row.text.empty()) return false;
  }
  return true;
}

std::string InfFolderToRemember(const std::string& inf_path, char separator) {
  const std::string folder = GetDirectory(inf_path, separator);
  const std::string stripped = StripTrailingBackslash(folder, separator);
  return stripped.empty() ? folder : stripped;
}

std::string LauncherFolderToRemember(const std::string& launcher_path, char separator) {
  return GetDirectory(launcher_path, separator);
}

std::optional<std::string> DialogFolder(const std::string& remembered, char separator) {
  if (remembered.empty()) return std::nullopt;
  const std::string stripped = StripTrailingBackslash(remembered, separator);
  if (stripped.empty()) return remembered;
  if (separator == '\\' && stripped.size() == 2 && stripped[1] == ':') return stripped + separator;
  return stripped;
}

}  // namespace quillet
