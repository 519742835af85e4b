// The page logic of frmMain without a toolkit: the load and close sequences,
// the step navigation, the about page, Step 2's name fields and Step 4's
// "Browse" buttons and modification run. A window (Qt, Win32) builds its
// controls from the form table, implements WizardView and UserDialogs, and
// forwards its control events here; everything the pages do happens in this
// class, so it is written and tested once.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "package/cab_command.h"
#include "package/modification_run.h"
#include "package/package_inspection.h"
#include "status/status_log.h"
#include "util/tool_state.h"
#include "wizard/user_dialogs.h"
#include "wizard/view.h"

namespace quillet {

// Titles and filters of the four "Browse" dialogs.
inline constexpr const char* kInfDialogTitle = "eVB Distribution INF file to modify";
inline constexpr const char* kInfDialogFilter = "INF Files (*.inf)|*.inf|Show All (*.*)|*.*";
inline constexpr const char* kLauncherDialogFilter = "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*";
inline constexpr const char* kLauncherDialogTitles[kLauncherRowCount] = {
    "eVC Wrapper for the MIPS processor:", "eVC Wrapper for the SH3 processor:",
    "eVC Wrapper for the ARM processor:"};

// The Yes/No question (captioned "Quillet", No the default) asked when the user
// presses Escape while the CAB command runs, and the one asked when the user
// closes the window then.
inline constexpr const char* kStopCommandQuestion = "The CAB command is still running. Stop it?";
inline constexpr const char* kStopCommandOnCloseQuestion =
    "The CAB command is still running. Stop it?\r\n"
    "\r\n"
    "Quillet closes when the run has ended.";

// The names the load sequence puts into the Step 2 code box.
inline constexpr const char* kDefaultAppFileName = "Project1.vb";
inline constexpr const char* kDefaultLauncherFileName = "StubLauncher.exe";

class Wizard {
 public:
  // Holds on to all three; they must outlive the wizard. Nothing is shown or
  // read until Form_Load.
  Wizard(ToolState& state, WizardView& view, UserDialogs& dialogs);
  // Saves the remembered folders if Form_Terminate has not run yet.
  ~Wizard();
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  // The load sequence, run once before the window is first shown: the shared
  // state (settings file in `program_directory`), the Step 4 page in front as
  // its button shows it, the outer size, the four guidance texts, and the
  // launcher source for the default names in the code box.
  void Form_Load(const std::string& program_directory);
  // The close sequence, when the window goes away: saves the remembered
  // folders. Only the first call does anything.
  void Form_Terminate();
  // Asked when the user (or the system) wants to close the window. True when
  // it may close now. During a run it may not: the close is remembered and done
  // through WizardView::Close once the run has ended (after any question it
  // asks), and, while the CAB command runs, the user is asked whether to stop it.
  bool Form_QueryUnload();
  // Escape pressed. During a run the user is asked, while the CAB command
  // runs, whether to stop it; otherwise it does nothing.
  void EscapePressed();

  // Routes a click on a button or the check box, by control name, to its
  // handler below; the check box has already taken its new checked state, as
  // a click gives it. False when the control has no click handler.
  bool Click(std::string_view control);
  // Routes a change of a text box's text (every keystroke, paste or cut), by
  // control name. False when the control has no change handler.
  bool TextChanged(std::string_view control);

  // Step navigation: each shows its step's page; Step 5 also refreshes the
  // about page.
  void cmdStep1_Click();
  void cmdStep2_Click();
  void cmdStep3_Click();
  void cmdStep4_Click();
  void cmdStep5_Click();
  // All step buttons in the idle colour, all pages hidden, the marker strip in
  // the page colour.
  void ResetSteps();

  // Moving between steps from the keyboard, as in tabbed dialogs: the next
  // step's page (after Step 5, Step 1 again) or the previous one (before
  // Step 1, Step 5), shown through that step's button handler exactly as its
  // click shows it; the keyboard focus then goes to that step button. Ignored
  // during a run.
  void NextStep();
  void PreviousStep();
  // The keys that move between steps while Ctrl is held.
  enum class StepKey { kTab, kPageDown, kPageUp };
  // Ctrl+Tab and Ctrl+Page Down go to the next step, Ctrl+Shift+Tab and
  // Ctrl+Page Up to the previous one (with Page Down and Page Up, Shift makes
  // no difference). True: the keys were taken.
  bool StepKeyPressed(StepKey key, bool shift);
  // The step whose page is shown (1 to 5); 0 when none is.
  int CurrentStep() const;
  // Lays the marker strip over the two right-most pixel columns of the step
  // button, from one pixel above it to two pixels short of its bottom.
  void PlaceStepMarker(std::string_view step_button);
  // Shows the licence agreement in front, or hides it when it is shown.
  void cmdLicense_Click();

  // Step 2: with "Same" checked, the application name is copied into the
  // launcher name at every change.
  void txtAppName_Change();
  // Step 2: "Same" checked copies the application name and switches the
  // launcher-name box off; unchecked switches it on, with its text selected.
  void chkSame_Click();
  // Step 2: the launcher source for the two typed names, into the code box.
  void cmdSubstitute_Click();

  // Step 4's "Browse" buttons: choose the INF (and switch the launcher rows to
  // its processors), or a launcher; then re-evaluate "Make Modifications".
  // Any error is shown in an OK-only box. Ignored during a run.
  void cmdDPackage_Click();
  void cmdWrapperBrowse_Click();
  void cmdWrapperBrowse2_Click();
  void cmdWrapperBrowse3_Click();
  // "Make Modifications".
  void cmdAuto_Click();

  // The modification run on the chosen package, with the busy state shown;
  // the window keeps painting while the CAB command runs but takes no other
  // input. Afterwards the status list shows the first failed row, selected, or
  // else the last row; then a close asked for during the run is done. Ignored
  // while a run is going.
  void DoSteps();

  // The hooks DoSteps hands to the run: the warning, Yes/No questions
  // (captioned "Quillet", Yes the default) and OK-only boxes through the
  // dialogs, with the busy state lifted while the user answers; while the CAB
  // command runs, the window's events pumped and the stop flag returned (true
  // once the user has agreed to stop it, for the rest of the run); the command
  // runner set below.
  ModificationHooks RunHooks();

  // The full path of the chosen INF; empty until the first INF "Browse".
  const std::string& InfPath() const { return inf_path_; }
  // The rows of the Step 4 status list.
  StatusLog& Log() { return log_; }
  // True from the start of DoSteps until it returns.
  bool IsBusy() const { return busy_; }
  // Starts the CAB rebuild command and waits for it; empty (the default) is
  // the platform's RunCommand. Tests hand in their own.
  void SetCommandRunner(CommandRunner runner) { command_runner_ = std::move(runner); }

 private:
  void ShowStep(int step);
  // Runs step N's button handler, then gives that button the focus.
  void ShowStepAsClicked(int step);
  void RefreshAboutPage();
  void FillLicenseText();

  void BrowseLauncher(int row);
  // Inspects the INF and switches the launcher rows to match.
  void DetectProcessors(const std::string& inf_path);
  void SetRowEnabled(int row, bool enabled);
  bool IsReadyToModify() const;
  void UpdateMakeModifications();
  // Runs a handler's steps; an error skips the rest of them and is shown.
  void RunShowingErrors(const std::function<void()>& steps);
  std::string& LauncherPath(int row);
  std::string& LauncherFolder(int row);

  // The run's hooks.
  bool WhileCommandRuns();
  // Asks the user something during a run, with the busy state lifted meanwhile.
  template <typename Ask>
  auto AskDuringRun(Ask ask);
  void ShowRunOutcome();

  ToolState& state_;
  WizardView& view_;
  UserDialogs& dialogs_;
  StatusLog log_;
  std::string inf_path_;
  CommandRunner command_runner_;
  bool terminated_ = false;

  bool busy_ = false;
  bool busy_shown_ = false;       // the view is in its busy state
  bool run_went_ahead_ = false;   // the list was emptied for this run's rows
  bool stop_requested_ = false;   // Escape or a close since the last question
  bool stop_command_ = false;     // the user answered Yes: stop the CAB command
  bool close_requested_ = false;  // a close arrived during the run
};

}  // namespace quillet
