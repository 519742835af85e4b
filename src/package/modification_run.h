// The "Make Modifications" run: checks the package, empties the status list and
// runs the eleven actions in their fixed order, each logging its own rows.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "package/cab_command.h"
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
  // true when the user answered Yes.
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

// Why the run cannot do any good on this package, as the text shown to the
// user: the INF cannot be read, no processor is present, or a present
// processor has no launcher. Empty when it can run.
std::string WhyRunCannotStart(const ToolState& state, const std::string& inf_path);

// The whole run on the package of inf_path, with the launchers and processor
// flags of state. Never throws.
void RunModification(const ToolState& state, const std::string& inf_path, StatusLog& log,
                     const ModificationHooks& hooks);

}  // namespace quillet
