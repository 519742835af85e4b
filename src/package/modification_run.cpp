#include "package/modification_run.h"

#include <exception>

#include "package/file_actions.h"
#include "package/inf_edits.h"
#include "platform/platform.h"
#include "profile/profile_file.h"
#include "util/path_helpers.h"

namespace quillet {
namespace {

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

bool Ask(const ModificationHooks& hooks, const std::string& text) {
  return hooks.ask_yes_no && hooks.ask_yes_no(text);
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

std::string CountOf(int count, const char* thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// Offers to put back a snapshot that an earlier run left. False when the run
// must not go on (the box has said why).
bool HandleLeftoverSnapshot(const std::string& package_dir, const ModificationHooks& hooks) {
  Snapshot leftover;
  std::string error;
  switch (FindSnapshot(package_dir, leftover, error)) {
    case SnapshotFound::kNone:
      return true;
    case SnapshotFound::kUnreadable:
      Tell(hooks, LeftoverUnreadableText(SnapshotFolder(package_dir), error));
      return false;
    case SnapshotFound::kFound:
      break;
  }
  // No: the package stays as it is, and the new run's snapshot takes the old
  // one's place once the run really starts.
  if (!Ask(hooks, LeftoverQuestionText(leftover))) return true;
  const RestoreResult restored = RestoreSnapshot(leftover);
  if (!restored.ok()) {
    // Kept, so that the user can try again or copy the files back by hand.
    MarkSnapshotKept(leftover);
    Tell(hooks, LeftoverRestoreFailedText(leftover, restored));
    return false;
  }
  // What cannot be removed now, taking the next snapshot removes or reports.
  RemoveSnapshot(package_dir);
  return true;
}

// After a run with failed rows (or cut short): asks, and puts back or keeps.
RunOutcome OfferRestore(Snapshot& snapshot, StatusLog& log, const ModificationHooks& hooks) {
  int failed = 0;
  const StatusRow* first_failed = nullptr;
  for (const StatusRow& row : log.Rows()) {
    if (row.colour != kColourRed) continue;
    if (first_failed == nullptr) first_failed = &row;
    ++failed;
  }
  const std::string& package_dir = snapshot.package_directory;
  const std::string files_folder = SnapshotFilesFolder(package_dir);
  const std::string question =
      RestoreQuestionText(failed, first_failed ? first_failed->action : std::string(),
                          first_failed ? first_failed->message : std::string(), files_folder);
  if (!Ask(hooks, question)) {
    // The next run offers it again; if this note cannot be written, it still does.
    MarkSnapshotKept(snapshot);
    return RunOutcome::kFailedKept;
  }
  const RestoreResult restored = RestoreSnapshot(snapshot);
  if (!restored.ok()) {
    MarkSnapshotKept(snapshot);
    log.LogAction(kRestoreAction, package_dir, RestoreSummary(restored), kStatusFailure,
                  RestoreFailedMessage(restored, files_folder));
    return RunOutcome::kRestoreFailed;
  }
  const platform::IoResult removed = RemoveSnapshot(package_dir);
  log.LogAction(kRestoreAction, package_dir, RestoreSummary(restored), kStatusSuccess,
                removed.ok ? std::string()
                           : SnapshotNotRemovedText(SnapshotFolder(package_dir), removed.error));
  return RunOutcome::kFailedRestored;
}

bool AnyRowFailed(const StatusLog& log) {
  for (const StatusRow& row : log.Rows()) {
    if (row.colour == kColourRed) return true;
  }
  return false;
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

std::string RestoreQuestionText(int failed_rows, const std::string& first_failed_action,
                                const std::string& first_failed_message,
                                const std::string& snapshot_files_folder) {
  std::string text;
  if (failed_rows <= 0) {
    text = "The run stopped before its end.";
  } else if (failed_rows == 1) {
    text = "1 action of the run failed: \"" + first_failed_action + "\".";
  } else {
    text = std::to_string(failed_rows) + " actions of the run failed. The first was \"" +
           first_failed_action + "\".";
  }
  if (const std::string detail = FirstLine(first_failed_message); !detail.empty()) {
    text += "\r\n" + detail;
  }
  return text +
         "\r\n\r\n"
         "Put the package back as it was before the run?\r\n"
         "\r\n"
         "Yes puts back every file that the run changed or deleted, and removes the files it "
         "made.\r\n"
         "No keeps the package as the run left it. The files as they were before the run stay "
         "in this folder, and the next run on this package offers to put them back:\r\n" +
         snapshot_files_folder;
}

std::string LeftoverQuestionText(const Snapshot& snapshot) {
  const std::string files_folder = SnapshotFilesFolder(snapshot.package_directory);
  const std::string what =
      snapshot.state == Snapshot::State::kKept
          ? "An earlier modification run on this package had failed actions, and the files as "
            "they were before that run were kept in this folder:\r\n"
          : "A modification run on this package did not finish: Quillet ended while it ran. "
            "The files as they were before that run are in this folder:\r\n";
  return what + files_folder +
         "\r\n\r\n"
         "Put the package back as it was before that run, and then make the modifications?\r\n"
         "\r\n"
         "No makes the modifications on the package as it is now, and the files in that folder "
         "are then discarded.";
}

std::string LeftoverRestoreFailedText(const Snapshot& snapshot, const RestoreResult& result) {
  std::string text = "Quillet could not put the package back as it was before the earlier run:\r\n";
  for (const std::string& failure : result.failures) text += failure + "\r\n";
  return text +
         "\r\n"
         "The files as they were before that run stay in:\r\n" +
         SnapshotFilesFolder(snapshot.package_directory) +
         "\r\n\r\n"
         "The modifications were not made.";
}

std::string LeftoverUnreadableText(const std::string& snapshot_folder, const std::string& error) {
  return "The package holds a snapshot of an earlier run in " + snapshot_folder +
         " that Quillet cannot use: " + ReasonInSentence(error) +
         ". Move that folder out of the package folder, or delete it, then try again. "
         "Nothing was changed.";
}

std::string SnapshotFailedText(const std::string& error) {
  return "Quillet could not keep a copy of the package's files before changing them: " +
         ReasonInSentence(error) + ". Nothing was changed.";
}

std::string SnapshotNotRemovedText(const std::string& snapshot_folder, const std::string& error) {
  return "The snapshot " + snapshot_folder + " could not be removed: " + ReasonInSentence(error) +
         ". Delete that folder, or the next run on this package offers to put it back.";
}

std::string RestoreSummary(const RestoreResult& result) {
  return CountOf(result.put_back, "file") + " put back, " + CountOf(result.removed, "file") +
         " removed";
}

std::string RestoreFailedMessage(const RestoreResult& result,
                                 const std::string& snapshot_files_folder) {
  std::string text;
  for (const std::string& failure : result.failures) {
    if (!text.empty()) text += "; ";
    text += ReasonInSentence(failure);
  }
  return text + ". The files as they were before the run stay in " + snapshot_files_folder;
}

RunOutcome RunModification(const ToolState& state, const std::string& inf_path, StatusLog& log,
                           const ModificationHooks& hooks) {
  try {
    const std::string package_dir = GetDirectory(inf_path);
    // First, before anything is judged: putting back an earlier run's snapshot
    // changes what the checks and the package warning find.
    if (!inf_path.empty() && !HandleLeftoverSnapshot(package_dir, hooks)) {
      return RunOutcome::kNotRun;
    }
    // Checked before the package warning: without a processor there is no
    // launcher name, and the edits would point the shortcut at an empty file
    // name and drop the working one, so there is nothing worth asking about.
    if (const std::string why = WhyRunCannotStart(state, inf_path); !why.empty()) {
      Tell(hooks, why);
      return RunOutcome::kNotRun;
    }
    if (!IsUntouchedPackage(inf_path)) {
      const bool go_on = hooks.ask_yes_no_warning &&
                         hooks.ask_yes_no_warning(kUntouchedWarningTitle, UntouchedWarningText());
      if (!go_on) return RunOutcome::kNotRun;  // the previous run's rows stay
    }
    Snapshot snapshot;
    if (const platform::IoResult taken = TakeSnapshot(state, inf_path, snapshot); !taken.ok) {
      Tell(hooks, SnapshotFailedText(taken.error));
      return RunOutcome::kNotRun;
    }
    log.Clear();
    bool cut_short = false;
    try {
      RunSteps(state, inf_path, log, hooks);
    } catch (const std::exception& error) {
      // The rows logged so far stay; the program goes on.
      cut_short = true;
      Tell(hooks, std::string("The modification run stopped: ") + error.what());
    } catch (...) {
      cut_short = true;
      Tell(hooks, "The modification run stopped because of an unexpected error.");
    }
    if (!cut_short && !AnyRowFailed(log)) {
      if (const platform::IoResult removed = RemoveSnapshot(package_dir); !removed.ok) {
        Tell(hooks, SnapshotNotRemovedText(SnapshotFolder(package_dir), removed.error));
      }
      return RunOutcome::kSucceeded;
    }
    return OfferRestore(snapshot, log, hooks);
  } catch (const std::exception& error) {
    Tell(hooks, std::string("The modification run stopped: ") + error.what());
  } catch (...) {
    Tell(hooks, "The modification run stopped because of an unexpected error.");
  }
  return RunOutcome::kNotRun;
}

}  // namespace quillet
