#include "package/file_actions.h"

#include "platform/platform.h"
#include "util/path_helpers.h"

namespace quillet {
namespace {

constexpr char kSeparator = platform::kPathSeparator;

std::string CabFileName(const std::string& inf_base_name, const std::string& processor) {
  return inf_base_name + "." + processor + ".CAB";
}

std::string SameFileMessage(const std::string& source, const std::string& destination) {
  return destination + " is " + source +
         " itself under another name (a link); nothing was copied or deleted";
}

}  // namespace

std::string GetWrapperFileName(const ToolState& state) {
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string& path = state.LauncherPathForSlot(slot);
    return GetBaseName(path) + "." + GetExtension(path);
  }
  return {};
}

void MoveCabFiles(const ToolState& state, const std::string& inf_path, StatusLog& log) {
  const std::string package_dir = GetDirectory(inf_path);
  const std::string inf_base_name = GetBaseName(inf_path);
  const std::string disk_dir = package_dir + kDiskFolderName + kSeparator;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string cab_name = CabFileName(inf_base_name, state.ProcessorNames[slot]);
    const std::string source = package_dir + cab_name;
    const std::string destination = disk_dir + cab_name;
    // A destination that is the source itself (a link to it, CD1 a link to the
    // package folder) would be emptied by the copy and then deleted: the only
    // CAB would be gone.
    if (platform::IsSameFile(source, destination)) {
      log.LogAction(kMoveCabAction, source, destination, kStatusFailure,
                    SameFileMessage(source, destination));
      continue;
    }
    const platform::IoResult copied = platform::CopyFileReplacing(source, destination);
    if (!copied.ok) {
      // The source stays where it was; a later run can still move it.
      log.LogAction(kMoveCabAction, source, destination, kStatusFailure,
                    "Could not copy " + source + " to " + destination + ": " + copied.error);
      continue;
    }
    const platform::IoResult deleted = platform::DeleteRegularFile(source);
    if (!deleted.ok) {
      log.LogAction(
          kMoveCabAction, source, destination, kStatusFailure,
          "Copied to " + destination + " but could not delete " + source + ": " + deleted.error);
      continue;
    }
    log.LogAction(kMoveCabAction, source, destination, kStatusSuccess, "");
  }
}

void CopyWrapperExes(const ToolState& state, const std::string& inf_path, StatusLog& log) {
  const std::string package_dir = GetDirectory(inf_path);
  const std::string wrapper = GetWrapperFileName(state);
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    const std::string& launcher = state.LauncherPathForSlot(slot);
    const std::string processor_dir = package_dir + state.ProcessorNames[slot] + kSeparator;
    const std::string destination = processor_dir + wrapper;
    if (platform::IsSameFile(launcher, destination)) {
      log.LogAction(kCopyExeAction, launcher, processor_dir, kStatusFailure,
                    SameFileMessage(launcher, destination));
      continue;
    }
    const platform::IoResult copied = platform::CopyFileReplacing(launcher, destination);
    if (copied.ok) {
      log.LogAction(kCopyExeAction, launcher, processor_dir, kStatusSuccess, "");
    } else {
      log.LogAction(kCopyExeAction, launcher, processor_dir, kStatusFailure,
                    "Could not copy " + launcher + " to " + destination + ": " + copied.error);
    }
  }
}

void DeleteAppFile(const ToolState& state, const std::string& inf_path, StatusLog& log) {
  const std::string wrapper = GetWrapperFileName(state);
  const std::string app_dir = GetDirectory(inf_path) + kAppFolderName + kSeparator;
  const std::string target = app_dir + wrapper;
  const std::string link_target = platform::SymbolicLinkTarget(target);
  const platform::IoResult deleted = platform::DeleteRegularFile(target);
  if (deleted.ok) {
    // A link is deleted as the link only; the row says so, and what it pointed to.
    log.LogAction(kDeleteAction, wrapper, app_dir, kStatusSuccess,
                  link_target.empty()
                      ? std::string()
                      : "Deleted the symbolic link " + target + "; the file it points to, " +
                            link_target + ", was kept");
  } else {
    log.LogAction(kDeleteAction, wrapper, app_dir, kStatusFailure,
                  "Could not delete " + target + ": " + deleted.error);
  }
}

}  // namespace quillet
