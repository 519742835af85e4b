#include "wizard/wizard.h"

#include <exception>
#include <utility>

#include "package/modification_run.h"
#include "stub/stub_source.h"
#include "version.h"
#include "wizard/error_report.h"
#include "wizard/form.h"
#include "wizard/page_texts.h"

namespace quillet {
namespace {

constexpr std::string_view kGuidanceBoxes[] = {"txtStep1", "txtStep2", "txtStep3", "txtStep4"};

// The controls of each launcher row: MIPS, SH3, ARM.
struct LauncherRowControls {
  std::string_view label;
  std::string_view box;
  std::string_view button;
};
constexpr LauncherRowControls kLauncherRows[kLauncherRowCount] = {
    {"lblWrapper", "txtWrapper", "cmdWrapperBrowse"},
    {"lblWrapper2", "txtWrapper2", "cmdWrapperBrowse2"},
    {"lblWrapper3", "txtWrapper3", "cmdWrapperBrowse3"}};

constexpr std::pair<std::string_view, void (Wizard::*)()> kClickHandlers[] = {
    {"cmdStep1", &Wizard::cmdStep1_Click},
    {"cmdStep2", &Wizard::cmdStep2_Click},
    {"cmdStep3", &Wizard::cmdStep3_Click},
    {"cmdStep4", &Wizard::cmdStep4_Click},
    {"cmdStep5", &Wizard::cmdStep5_Click},
    {"cmdLicense", &Wizard::cmdLicense_Click},
    {"chkSame", &Wizard::chkSame_Click},
    {"cmdSubstitute", &Wizard::cmdSubstitute_Click},
    {"cmdDPackage", &Wizard::cmdDPackage_Click},
    {"cmdWrapperBrowse", &Wizard::cmdWrapperBrowse_Click},
    {"cmdWrapperBrowse2", &Wizard::cmdWrapperBrowse2_Click},
    {"cmdWrapperBrowse3", &Wizard::cmdWrapperBrowse3_Click},
    {"cmdAuto", &Wizard::cmdAuto_Click},
};

// Sets a flag for as long as it lives, also when what runs meanwhile throws.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

Wizard::Wizard(ToolState& state, WizardView& view, UserDialogs& dialogs)
    : state_(state), view_(view), dialogs_(dialogs) {
  log_.SetListener([this](int appended_row) {
    if (appended_row < 0 && busy_) run_went_ahead_ = true;
    view_.StatusRowsChanged(log_, appended_row);
  });
}

Wizard::~Wizard() {
  log_.SetListener(nullptr);
  Form_Terminate();
}

void Wizard::Form_Load(const std::string& program_directory) {
  InitToolState(state_, program_directory);
  cmdStep4_Click();
  view_.SetOuterSize(kWindowOuterWidth, kWindowOuterHeight);
  const std::string texts[] = {GetStep1Text(), GetStep2Text(), GetStep3Text(), GetStep4Text()};
  for (int i = 0; i < 4; ++i) view_.SetText(kGuidanceBoxes[i], texts[i]);
  view_.SetText("txtCode", BuildStubSource(kDefaultAppFileName, kDefaultLauncherFileName));
}

void Wizard::Form_Terminate() {
  if (terminated_) return;
  terminated_ = true;
  SaveLastDirs(state_);
}

bool Wizard::Form_QueryUnload() {
  if (!busy_) return true;
  // Closing under the run would leave the package half-done; the close waits
  // for the run's end, and the user may want the command stopped to get there.
  close_requested_ = true;
  stop_requested_ = true;
  return false;
}

void Wizard::EscapePressed() {
  if (busy_) stop_requested_ = true;
}

bool Wizard::Click(std::string_view control) {
  for (const auto& [name, handler] : kClickHandlers) {
    if (name == control) {
      (this->*handler)();
      return true;
    }
  }
  return false;
}

bool Wizard::TextChanged(std::string_view control) {
  if (control != "txtAppName") return false;
  txtAppName_Change();
  return true;
}

// --- Step navigation --------------------------------------------------------

void Wizard::cmdStep1_Click() { ShowStep(1); }
void Wizard::cmdStep2_Click() { ShowStep(2); }
void Wizard::cmdStep3_Click() { ShowStep(3); }
void Wizard::cmdStep4_Click() { ShowStep(4); }

void Wizard::cmdStep5_Click() {
  ShowStep(5);
  RefreshAboutPage();
}

void Wizard::ShowStep(int step) {
  ResetSteps();
  view_.SetBackColour(StepButtonName(step), kPageColour);
  const std::string_view page = PageName(step);
  view_.BringToFront(page);
  // The page's left edge follows cmdStep1's width, whichever button was pressed.
  const TwipsRect at = view_.Rect(page);
  view_.SetRect(page, MarkerRect{static_cast<float>(view_.Rect(StepButtonName(1)).width), 0.0f,
                                 static_cast<float>(at.width), static_cast<float>(at.height)});
  view_.SetVisible(page, true);
  PlaceStepMarker(StepButtonName(step));
  // The pressed button's colour says which page is shown; its name says it too.
  for (int n = 1; n <= kStepCount; ++n) {
    view_.SetAccessibleName(StepButtonName(n), StepButtonAccessibleName(n, n == step));
  }
}

void Wizard::NextStep() {
  if (busy_) return;
  const int step = CurrentStep();
  ShowStepAsClicked(step >= kStepCount ? 1 : step + 1);
}

void Wizard::PreviousStep() {
  if (busy_) return;
  const int step = CurrentStep();
  ShowStepAsClicked(step <= 1 ? kStepCount : step - 1);
}

bool Wizard::StepKeyPressed(StepKey key, bool shift) {
  const bool forward = key == StepKey::kTab ? !shift : key == StepKey::kPageDown;
  if (forward) {
    NextStep();
  } else {
    PreviousStep();
  }
  return true;
}

int Wizard::CurrentStep() const {
  for (int step = 1; step <= kStepCount; ++step) {
    if (view_.IsVisible(PageName(step))) return step;
  }
  return 0;
}

void Wizard::ShowStepAsClicked(int step) {
  Click(StepButtonName(step));
  view_.SetFocus(StepButtonName(step));
}

void Wizard::ResetSteps() {
  for (int step = 1; step <= kStepCount; ++step) {
    view_.SetBackColour(StepButtonName(step), kIdleButtonColour);
  }
  for (int step = 1; step <= kStepCount; ++step) view_.SetVisible(PageName(step), false);
  view_.SetBackColour("txtEdge", kPageColour);
}

void Wizard::PlaceStepMarker(std::string_view step_button) {
  view_.SetRect("txtEdge", StepMarkerRect(view_.Rect(step_button), view_.TwipsPerPixelX(),
                                          view_.TwipsPerPixelY()));
}

// --- About page -------------------------------------------------------------

void Wizard::RefreshAboutPage() {
  view_.SetText("lblVersion", VersionCaption());
  view_.SetText("lblCopyright", kLegalCopyright);
  FillLicenseText();
}

void Wizard::FillLicenseText() { view_.SetText("txtLicense", BuildLicenseText()); }

void Wizard::cmdLicense_Click() {
  if (view_.IsVisible("txtLicense")) {
    view_.SetVisible("txtLicense", false);
    return;
  }
  view_.SetVisible("txtLicense", true);
  // Shown, it covers the version and legal-notice lines.
  view_.BringToFront("txtLicense");
}

// --- Step 2 -----------------------------------------------------------------

void Wizard::txtAppName_Change() {
  if (view_.IsChecked("chkSame")) view_.SetText("txtWrapperName", view_.Text("txtAppName"));
}

void Wizard::chkSame_Click() {
  if (view_.IsChecked("chkSame")) {
    view_.SetText("txtWrapperName", view_.Text("txtAppName"));
    view_.SetBackColour("txtWrapperName", kDisabledBoxColour);
    view_.SetEnabled("txtWrapperName", false);
    view_.SetEnabled("Label7", false);
    return;
  }
  view_.SetBackColour("txtWrapperName", kEnabledBoxColour);
  view_.SetEnabled("txtWrapperName", true);
  view_.SetEnabled("Label7", true);
  view_.FocusAndSelectAll("txtWrapperName");
}

void Wizard::cmdSubstitute_Click() {
  view_.SetText("txtCode", BuildStubSource(view_.Text("txtAppName") + ".vb",
                                           view_.Text("txtWrapperName") + ".exe"));
}

// --- Step 4: choosing the files ---------------------------------------------

void Wizard::cmdDPackage_Click() {
  // The run reads the INF path and the processor flags; they stay put under it.
  if (busy_) return;
  OpenFileRequest request;
  request.file_name = inf_path_;
  request.filter = kInfDialogFilter;
  request.title = kInfDialogTitle;
  request.initial_directory = DialogFolder(state_.LastInfDir);
  RunShowingErrors([&] {
    // A cancelled dialog hands back the preset name, and the steps run with it.
    inf_path_ = dialogs_.GetOpenFileName(request).value_or(request.file_name);
    // A path without a folder (nothing chosen yet) must not erase the folder
    // the next dialog, and the next start, would open in.
    if (std::string folder = InfFolderToRemember(inf_path_); !folder.empty()) {
      state_.LastInfDir = std::move(folder);
    }
    view_.SetText("txtDPackage", inf_path_);
    DetectProcessors(inf_path_);
  });
  UpdateMakeModifications();
}

void Wizard::cmdWrapperBrowse_Click() { BrowseLauncher(kMipsRow); }
void Wizard::cmdWrapperBrowse2_Click() { BrowseLauncher(kSh3Row); }
void Wizard::cmdWrapperBrowse3_Click() { BrowseLauncher(kArmRow); }

void Wizard::BrowseLauncher(int row) {
  if (busy_) return;
  std::string& path = LauncherPath(row);
  std::string& folder = LauncherFolder(row);
  OpenFileRequest request;
  request.file_name = path;
  request.filter = kLauncherDialogFilter;
  request.title = kLauncherDialogTitles[row];
  request.initial_directory = DialogFolder(folder);
  RunShowingErrors([&] {
    path = dialogs_.GetOpenFileName(request).value_or(request.file_name);
    if (std::string chosen_folder = LauncherFolderToRemember(path); !chosen_folder.empty()) {
      folder = std::move(chosen_folder);
    }
    view_.SetText(kLauncherRows[row].box, path);
  });
  UpdateMakeModifications();
}

void Wizard::DetectProcessors(const std::string& inf_path) {
  for (int row = 0; row < kLauncherRowCount; ++row) SetRowEnabled(row, false);
  const auto needed = quillet::DetectProcessors(state_, inf_path);
  for (int row = 0; row < kLauncherRowCount; ++row) {
    if (needed[row]) SetRowEnabled(row, true);
  }
}

void Wizard::SetRowEnabled(int row, bool enabled) {
  // The box's text and the stored launcher path stay as they are either way.
  const LauncherRowControls& controls = kLauncherRows[row];
  view_.SetEnabled(controls.box, enabled);
  view_.SetBackColour(controls.box, enabled ? kEnabledBoxColour : kDisabledBoxColour);
  view_.SetEnabled(controls.button, enabled);
  view_.SetEnabled(controls.label, enabled);
}

bool Wizard::IsReadyToModify() const {
  std::array<LauncherRowInput, kLauncherRowCount> rows;
  for (int row = 0; row < kLauncherRowCount; ++row) {
    rows[row] = {view_.IsEnabled(kLauncherRows[row].box), view_.Text(kLauncherRows[row].box)};
  }
  return quillet::IsReadyToModify(view_.Text("txtDPackage"), rows);
}

void Wizard::UpdateMakeModifications() { view_.SetEnabled("cmdAuto", IsReadyToModify()); }

void Wizard::RunShowingErrors(const std::function<void()>& steps) {
  try {
    steps();
  } catch (...) {
    dialogs_.ShowMessage(std::string(kWindowCaption),
                         ErrorBoxText(ReportOf(std::current_exception())));
  }
}

std::string& Wizard::LauncherPath(int row) {
  switch (row) {
    case kMipsRow:
      return state_.MipsLauncherPath;
    case kSh3Row:
      return state_.Sh3LauncherPath;
    default:
      return state_.ArmLauncherPath;
  }
}

std::string& Wizard::LauncherFolder(int row) {
  switch (row) {
    case kMipsRow:
      return state_.LastMipsDir;
    case kSh3Row:
      return state_.LastSh3Dir;
    default:
      return state_.LastArmDir;
  }
}

// --- Step 4: the run ----------------------------------------------------------

void Wizard::cmdAuto_Click() { DoSteps(); }

template <typename Ask>
auto Wizard::AskDuringRun(Ask ask) {
  // The user answers with the normal cursor and working input; the busy state
  // comes back afterwards, also when the dialog fails.
  class Lift {
   public:
    explicit Lift(Wizard& wizard) : wizard_(wizard), was_shown_(wizard.busy_shown_) {
      if (was_shown_) SetShown(false);
    }
    ~Lift() {
      if (was_shown_) SetShown(true);
    }
    Lift(const Lift&) = delete;
    Lift& operator=(const Lift&) = delete;

   private:
    void SetShown(bool shown) {
      wizard_.view_.SetBusy(shown);
      wizard_.busy_shown_ = shown;
    }
    Wizard& wizard_;
    bool was_shown_;
  } lift(*this);
  return ask();
}

bool Wizard::WhileCommandRuns() {
  // Lets the window repaint; it drops the user's input meanwhile, except for
  // Escape and a close, which come back here as a stop request.
  view_.PumpEvents();
  if (stop_requested_ && !stop_command_) {
    stop_requested_ = false;
    const char* question = close_requested_ ? kStopCommandOnCloseQuestion : kStopCommandQuestion;
    // No is the default: a stopped command leaves the package to be put back,
    // so an Enter pressed by habit must not stop it.
    stop_command_ = AskDuringRun(
        [&] { return dialogs_.AskYesNo(std::string(kWindowCaption), question, false); });
  }
  return stop_command_;
}

ModificationHooks Wizard::RunHooks() {
  ModificationHooks hooks;
  hooks.ask_yes_no_warning = [this](const std::string& title, const std::string& text) {
    return AskDuringRun([&] { return dialogs_.AskYesNoWarning(title, text); });
  };
  hooks.ask_yes_no = [this](const std::string& text) {
    return AskDuringRun([&] { return dialogs_.AskYesNo(std::string(kWindowCaption), text, true); });
  };
  hooks.while_command_runs = [this] { return WhileCommandRuns(); };
  hooks.show_message = [this](const std::string& text) {
    AskDuringRun([&] {
      dialogs_.ShowMessage(std::string(kWindowCaption), text);
      return true;
    });
  };
  // No on_command_output: the window has no place that shows the command's
  // output as it comes.
  hooks.run_command = command_runner_;
  return hooks;
}

void Wizard::DoSteps() {
  if (busy_) return;
  {
    // The busy state ends with the run, whatever happens in it.
    class BusyRun {
     public:
      explicit BusyRun(Wizard& wizard) : wizard_(wizard), busy_(wizard.busy_) {
        wizard_.view_.SetBusy(true);
        wizard_.busy_shown_ = true;
      }
      ~BusyRun() {
        if (!wizard_.busy_shown_) return;
        wizard_.view_.SetBusy(false);
        wizard_.busy_shown_ = false;
      }
      BusyRun(const BusyRun&) = delete;
      BusyRun& operator=(const BusyRun&) = delete;

     private:
      Wizard& wizard_;
      FlagScope busy_;
    } busy(*this);
    run_went_ahead_ = false;
    stop_requested_ = false;
    stop_command_ = false;
    close_requested_ = false;

    RunModification(state_, inf_path_, log_, RunHooks());

    // Input that reached the window while the run worked without letting it
    // paint is dropped here, still busy; a close found there is remembered.
    view_.PumpEvents();
  }
  // Escape pressed after the last command has nothing left to stop.
  stop_requested_ = false;
  if (run_went_ahead_) ShowRunOutcome();
  if (close_requested_) {
    close_requested_ = false;
    view_.Close();
  }
}

void Wizard::ShowRunOutcome() {
  const auto& rows = log_.Rows();
  if (rows.empty()) return;
  int shown = static_cast<int>(rows.size()) - 1;
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    if (rows[row].colour == StatusColour(kStatusFailure)) {
      shown = row;
      break;
    }
  }
  view_.SelectStatusRow(shown);
}

}  // namespace quillet
