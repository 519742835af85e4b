#include "package/modification_run.h"

#include <exception>

#include "package/file_actions.h"
#include "package/inf_edits.h"
#include "profile/profile_file.h"
#include "platform/platform.h"
#include "util/path_helpers.h"

namespace quillet {
namespace {

const char* FamilyName(LauncherFamily family) {
  switch (family) {
    case LauncherFamily::kMips:
      return "MIPS";
    case LauncherFamily::kSh3:
      return "SH3";
    case LauncherFamily::kArm:
      break;
  }
  return "ARM";
}

// The eleven actions, in their fixed order. The launcher file name is asked
// afresh before each action that takes it, as the actions themselves do.
void RunSteps(const ToolState& state, const std::string& inf_path, StatusLog& log,
              const ModificationHooks& hooks) {
  const std::string package_dir = GetDirectory(inf_path);
  const platform::CommandCallbacks command_callbacks{hooks.while_command_runs,
                                                     hooks.on_command_output};
  ChangeShortcutKey(state, inf_path, log);
  AddShortcutSection(state, inf_path, GetWrapperFileName(state), log);
  AddShortcutDestination(state, inf_path, log);
  RunCabCommand(package_dir, log, command_callbacks, hooks.run_command);
  MoveCabFiles(state, inf_path, log);
  CopyWrapperExes(state, inf_path, log);
  DeleteAppFile(state, inf_path, log);
  RemoveSourceDiskKey(inf_path, GetWrapperFileName(state), log);
  AddCpuSourceDiskKeys(state, inf_path, GetWrapperFileName(state), log);
  RunCabCommand(package_dir, log, command_callbacks, hooks.run_command);
  MoveCabFiles(state, inf_path, log);
}

void Tell(const ModificationHooks& hooks, const std::string& text) {
  if (hooks.show_message) hooks.show_message(text);
}

}  // namespace

std::string UntouchedWarningText() {
  return "The INF file has either: \r\n"
         "\r\n"
         "- already been updated\r\n"
         "- has been altered\r\n"
         "- or is not a valid eVB distribution .INF file\r\n"
         "\r\n"
         "Do you still wish to continue?";
}

bool IsUntouchedPackage(const std::string& inf_path) {
  return ReadIniValue(inf_path, kDefaultInstallSection, kCeShortcutsKey) == "Shortcuts";
}

std::string WhyRunCannotStart(const ToolState& state, const std::string& inf_path) {
  // The profile writes would create a missing INF from nothing.
  std::string bytes;
  if (const platform::IoResult read = platform::ReadWholeFile(inf_path, bytes); !read.ok) {
    return "Could not read the INF file " + inf_path + ": " + read.error + ". Nothing was changed.";
  }
  bool any_present = false;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!state.ProcessorPresent[slot]) continue;
    any_present = true;
    if (state.LauncherPathForSlot(slot).empty()) {
      return std::string("No ") + FamilyName(FamilyOfSlot(slot)) +
             " launcher has been chosen for the processor \"" + state.ProcessorNames[slot] +
             "\" that the INF file targets. Nothing was changed.";
    }
  }
  if (any_present) return {};
  std::string names;
  for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!names.empty()) names += slot == kLastSlot ? " or " : ", ";
    names += "\"" + state.ProcessorNames[slot] + "\"";
  }
  return "The INF file " + inf_path + " targets none of the four processors that Quillet knows (" +
         names +
         "): none of its \"SourceDisksFiles.\" sections for them lists a file. "
         "Nothing was changed.";
}

void RunModification(const ToolState& state, const std::string& inf_path, StatusLog& log,
                     const ModificationHooks& hooks) {
  try {
    // Checked before the package warning: without a processor there is no
    // launcher name, and the edits would point the shortcut at an empty file
    // name and drop the working one, so there is nothing worth asking about.
    if (const std::string why = WhyRunCannotStart(state, inf_path); !why.empty()) {
      Tell(hooks, why);
      return;
    }
    if (!IsUntouchedPackage(inf_path)) {
      const bool go_on = hooks.ask_yes_no_warning &&
                         hooks.ask_yes_no_warning(kUntouchedWarningTitle, UntouchedWarningText());
      if (!go_on) return;  // the previous run's rows stay
    }
    log.Clear();
    RunSteps(state, inf_path, log, hooks);
  } catch (const std::exception& error) {
    // The rows logged so far stay; the program goes on.
    Tell(hooks, std::string("The modification run stopped: ") + error.what());
  } catch (...) {
    Tell(hooks, "The modification run stopped because of an unexpected error.");
  }
}

}  // namespace quillet
