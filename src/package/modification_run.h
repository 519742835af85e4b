// The "Make Modifications" run: checks the package, empties the status list and
// runs the eleven actions in their fixed order, each logging its own rows.
// Before its first change it takes a snapshot of the package (package/snapshot.h);
// after a run with a failed action it offers to put the package back.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "package/cab_command.h"
#include "package/run_checks.h"
#include "package/snapshot.h"
#include "status/status_log.h"
#include "util/tool_state.h"

namespace quillet {

// Title and text (CR LF line breaks) of the box shown for a package that is not untouched.
inline constexpr const char* kUntouchedWarningTitle = "INF file contents WARNING!";
std::string UntouchedWarningText();

// True when [DefaultInstall] CEShortcuts is exactly "Shortcuts" (case counts).
bool IsUntouchedPackage(const std::string& inf_path);

// What the run needs from the window.
struct ModificationHooks {
  // Asks the Yes/No warning (No the default); true when the user answered Yes.
  // Without it, a package that is not untouched is left alone.
  std::function<bool(const std::string& title, const std::string& text)> ask_yes_no_warning;
  // Asks a Yes/No question in a box captioned "Quillet" with Yes the default;
  // true when the user answered Yes. The run asks it whether to put the package
  // back after a failed run, and whether to put back a snapshot that an earlier
  // run left behind. Without it the answer is No (a command line hands in its
  // flag's answer here).
  std::function<bool(const std::string& text)> ask_yes_no;
  // Called repeatedly while the CAB command runs, so the window keeps painting;
  // returning true stops the command (the user asked to).
  std::function<bool()> while_command_runs;
  // Receives the CAB command's output as it comes.
  std::function<void(std::string_view chunk)> on_command_output;
  // Tells the user, in an OK-only box, why the run stopped or changed nothing.
  std::function<void(const std::string& text)> show_message;
  // Starts the CAB rebuild command and waits for it; empty means the platform's
  // RunCommand. Benchmarks and tests hand in their own.
  CommandRunner run_command;
};

// The action of the last row of a run whose package the user had put back.
inline constexpr const char* kRestoreAction = "Restore";

// How a run ended.
enum class RunOutcome {
  kNotRun,          // refused, or the user chose not to go on: the package is as it was
  kSucceeded,       // no row failed; the snapshot is gone
  kFailedKept,      // a row failed and the package stays as the run left it, snapshot kept
  kFailedRestored,  // a row failed and the package was put back as it was
  kRestoreFailed,   // a row failed and putting the package back failed in part
};

// The whole run on the package of inf_path, with the launchers and processor
// flags of state. Never throws. In this order: a snapshot left by an earlier
// run is offered for putting back (ask_yes_no); the package is checked
// (WhyRunCannotStart; a refusal goes to show_message); a package that is not
// untouched is warned about (ask_yes_no_warning); the snapshot is taken; the
// list is emptied and the eleven actions run. When a row failed (or an error
// cut the run short) the user is asked whether to put the package back; Yes
// adds one last row "Restore" (package folder, what was done; green, or red
// with what could not be put back).
RunOutcome RunModification(const ToolState& state, const std::string& inf_path, StatusLog& log,
                           const ModificationHooks& hooks);

// The question after a run with failed rows: how many failed, the first one
// (its action and the first line of its message) and where the snapshot's files
// stay. With no failed row, the run was cut short by an error.
std::string RestoreQuestionText(int failed_rows, const std::string& first_failed_action,
                                const std::string& first_failed_message,
                                const std::string& snapshot_files_folder);

// The question when a run finds the snapshot of an earlier run in the package.
std::string LeftoverQuestionText(const Snapshot& snapshot);

// The box when that snapshot could not be put back in full.
std::string LeftoverRestoreFailedText(const Snapshot& snapshot, const RestoreResult& result);

// The box when the snapshot folder holds something the run cannot use.
std::string LeftoverUnreadableText(const std::string& snapshot_folder, const std::string& error);

// The box when the snapshot could not be taken.
std::string SnapshotFailedText(const std::string& error);

// The box when a run without failures could not remove its snapshot.
std::string SnapshotNotRemovedText(const std::string& snapshot_folder, const std::string& error);

// Value 2 of the "Restore" row: "2 files put back, 1 file removed".
std::string RestoreSummary(const RestoreResult& result);

// The message of a red "Restore" row.
std::string RestoreFailedMessage(const RestoreResult& result,
                                 const std::string& snapshot_files_folder);

}  // namespace quillet
