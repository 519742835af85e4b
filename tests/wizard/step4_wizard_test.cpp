// Step 4 of the page logic against a recording view: the four "Browse"
// sequences through the scripted dialogs, the launcher rows, readiness, the
// error box, and "Make Modifications" with a scripted CAB command: the busy
// state, the questions, stopping the command, a close during the run, and the
// row shown at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "package/modification_run.h"
#include "wizard/error_report.h"
#include "wizard_fixture.h"

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;
using run_test::kSep;
using run_test::ReadBytes;
using run_test::WriteBytes;

constexpr const char* kRowBoxes[] = {"txtWrapper", "txtWrapper2", "txtWrapper3"};
constexpr const char* kRowButtons[] = {"cmdWrapperBrowse", "cmdWrapperBrowse2",
                                       "cmdWrapperBrowse3"};
constexpr const char* kRowLabels[] = {"lblWrapper", "lblWrapper2", "lblWrapper3"};

constexpr const char* kMipsSection = "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\nStub.exe=2\r\n";
constexpr const char* kSh3Section = "[SourceDisksFiles.SH 3 (1K) v3.00]\r\nStub.exe=3\r\n";
constexpr const char* kArm1100Section = "[SourceDisksFiles.Arm 1100 (4K) v3.00]\r\nStub.exe=4\r\n";
constexpr const char* kArm720Section = "[SourceDisksFiles.Arm 720T (4K) v3.00]\r\nStub.exe=5\r\n";

std::string InfText(const std::string& shortcuts, const std::string& processor_sections) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
         "[DefaultInstall]\r\nCEShortcuts=" +
         shortcuts +
         "\r\n"
         "[SourceDisksFiles]\r\nProject1.vb=1\r\nStub.exe=1\r\n" +
         processor_sections;
}

class Step4WizardTest : public WizardTest {
 protected:
  std::string Write(const std::string& relative, const std::string& bytes) {
    const std::size_t slash = relative.find('/');
    std::string path = Dir() + relative;
    if (slash != std::string::npos) {
      MakeFolder(relative.substr(0, slash));
      path = Dir() + relative.substr(0, slash) + kSep + relative.substr(slash + 1);
    }
    WriteBytes(path, bytes);
    return path;
  }

  // The row's controls agree, and the box has the colour of its state.
  void ExpectRow(int row, bool enabled) {
    SCOPED_TRACE(kRowBoxes[row]);
    EXPECT_EQ(view().At(kRowBoxes[row]).enabled, enabled);
    EXPECT_EQ(view().At(kRowButtons[row]).enabled, enabled);
    EXPECT_EQ(view().At(kRowLabels[row]).enabled, enabled);
    EXPECT_EQ(view().At(kRowBoxes[row]).back_colour,
              enabled ? kEnabledBoxColour : kDisabledBoxColour);
  }

  bool Ready() { return view().At("cmdAuto").enabled; }
};

TEST_F(Step4WizardTest, StartsWithOnlyTheInfRowUsable) {
  for (int row = 0; row < 3; ++row) ExpectRow(row, false);
  EXPECT_TRUE(view().At("txtDPackage").enabled);
  EXPECT_TRUE(view().At("cmdDPackage").enabled);
  EXPECT_FALSE(Ready());
}

TEST_F(Step4WizardTest, ProcessorSectionsSwitchTheLauncherRows) {
  struct Case {
    const char* name;
    std::string sections;
    const char* rows;     // "1" for an enabled row: MIPS, SH3, ARM
    const char* present;  // slots 1 to 4
  };
  const Case cases[] = {
      {"ARM 720T only", kArm720Section, "001", "0001"},
      {"both ARM sections", std::string(kArm1100Section) + kArm720Section, "001", "0011"},
      {"SH3 section without keys",
       std::string(kMipsSection) + "[SourceDisksFiles.SH 3 (1K) v3.00]\r\n", "100", "1000"},
      {"no processor section", "", "000", "0000"},
      {"all four", std::string(kMipsSection) + kSh3Section + kArm1100Section + kArm720Section,
       "111", "1111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // One window through every case: each INF recomputes everything.
    Choose("cmdDPackage", Write("Project1.inf", InfText("Shortcuts", c.sections)));
    for (int row = 0; row < 3; ++row) ExpectRow(row, c.rows[row] == '1');
    for (int slot = 1; slot <= 4; ++slot) {
      EXPECT_EQ(state_.ProcessorPresent[slot], c.present[slot - 1] == '1') << "slot " << slot;
    }
    // Without any needed launcher the INF alone is enough.
    EXPECT_EQ(Ready(), std::string(c.rows) == "000");
  }
}

TEST_F(Step4WizardTest, InfDialogAsksWithPresetFilterTitleAndFolder) {
  const std::string inf = Write("Pkg/Project1.inf", InfText("Shortcuts", kMipsSection));
  Choose("cmdDPackage", inf);
  Choose("cmdDPackage", inf);

  ASSERT_EQ(dialogs().file_requests.size(), 2u);
  const OpenFileRequest& first = dialogs().file_requests[0];
  EXPECT_EQ(first.file_name, "");
  EXPECT_EQ(first.filter, "INF Files (*.inf)|*.inf|Show All (*.*)|*.*");
  EXPECT_EQ(first.title, "eVB Distribution INF file to modify");
  EXPECT_FALSE(first.initial_directory.has_value());

  const OpenFileRequest& second = dialogs().file_requests[1];
  EXPECT_EQ(second.file_name, inf);
  EXPECT_EQ(second.initial_directory, std::optional<std::string>(Dir() + "Pkg"));
  EXPECT_EQ(wizard().InfPath(), inf);
  EXPECT_EQ(state_.LastInfDir, Dir() + "Pkg");
  EXPECT_EQ(view().At("txtDPackage").text, inf);
}

TEST_F(Step4WizardTest, LauncherDialogsAskWithTheirTitlesAndRememberTheirFolders) {
  Choose("cmdDPackage",
         Write("Project1.inf",
               InfText("Shortcuts", std::string(kMipsSection) + kSh3Section + kArm720Section)));
  const char* titles[] = {
      "eVC Wrapper for the MIPS processor:", "eVC Wrapper for the SH3 processor:",
      "eVC Wrapper for the ARM processor:"};
  const char* folders[] = {"Mips", "Sh3", "Arm"};
  std::string* paths[] = {&state_.MipsLauncherPath, &state_.Sh3LauncherPath,
                          &state_.ArmLauncherPath};
  std::string* remembered[] = {&state_.LastMipsDir, &state_.LastSh3Dir, &state_.LastArmDir};

  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(titles[row]);
    EXPECT_FALSE(Ready());
    const std::string launcher = Write(std::string(folders[row]) + "/Stub.exe", "MZ");
    Choose(kRowButtons[row], launcher);
    Choose(kRowButtons[row], launcher);
    const OpenFileRequest& first = dialogs().file_requests[1 + 2 * row];
    const OpenFileRequest& second = dialogs().file_requests[2 + 2 * row];
    EXPECT_EQ(first.title, titles[row]);
    EXPECT_EQ(first.filter, "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*");
    EXPECT_EQ(first.file_name, "");
    EXPECT_FALSE(first.initial_directory.has_value());
    EXPECT_EQ(second.file_name, launcher);
    // Remembered with the separator, handed to the dialog without it.
    EXPECT_EQ(*remembered[row], Dir() + folders[row] + kSep);
    EXPECT_EQ(second.initial_directory, std::optional<std::string>(Dir() + folders[row]));
    EXPECT_EQ(*paths[row], launcher);
    EXPECT_EQ(view().At(kRowBoxes[row]).text, launcher);
  }
  EXPECT_TRUE(Ready());
}

TEST_F(Step4WizardTest, TypedBoxesCountForReadinessWithoutBecomingPaths) {
  const std::string inf = Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  Choose("cmdDPackage", inf);
  EXPECT_FALSE(Ready());

  // Typing is not re-evaluated at once; the next "Browse" sees the typed text,
  // and a box of spaces counts as filled.
  view().Type("txtWrapper", " ");
  EXPECT_FALSE(Ready());
  dialogs().Cancel();
  Click("cmdDPackage");
  EXPECT_TRUE(Ready());
  EXPECT_EQ(state_.MipsLauncherPath, "");

  view().Type("txtDPackage", "other.inf");
  EXPECT_EQ(wizard().InfPath(), inf);

  // A row that a new INF switches off keeps its text and stops counting.
  view().Type("txtWrapper", "");
  Choose("cmdDPackage", Write("b.inf", InfText("Shortcuts", "")));
  ExpectRow(0, false);
  EXPECT_TRUE(Ready());
}

TEST_F(Step4WizardTest, CancelBeforeAnythingChosenKeepsTheRememberedFolders) {
  const std::string packages = Dir() + "packages";
  const std::string stubs = Dir() + "stubs" + kSep;
  Start(15.0f, "[LastDirs]\r\n1=" + packages + "\r\n2=" + stubs + "\r\n");
  ASSERT_EQ(state_.LastInfDir, packages);

  view().Type("txtDPackage", "typed");
  dialogs().Cancel();
  Click("cmdDPackage");
  EXPECT_EQ(dialogs().file_requests.back().initial_directory, std::optional<std::string>(packages));
  // Nothing was chosen: the steps ran with the empty preset name...
  EXPECT_EQ(wizard().InfPath(), "");
  EXPECT_EQ(view().At("txtDPackage").text, "");
  EXPECT_FALSE(Ready());
  // ...but the folder the next dialog opens in survives.
  EXPECT_EQ(state_.LastInfDir, packages);

  Choose("cmdDPackage", Write("a.inf", InfText("Shortcuts", kMipsSection)));
  dialogs().Cancel();
  Click("cmdWrapperBrowse");
  EXPECT_EQ(dialogs().file_requests.back().initial_directory,
            std::optional<std::string>(Dir() + "stubs"));
  EXPECT_EQ(state_.LastMipsDir, stubs);
  EXPECT_EQ(state_.MipsLauncherPath, "");
}

TEST_F(Step4WizardTest, CancelAfterChoosingRunsTheStepsWithTheSameFiles) {
  const std::string inf = Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  Choose("cmdDPackage", inf);
  const std::string launcher = Write("m.exe", "MZ");
  Choose("cmdWrapperBrowse", launcher);

  // The INF is inspected again: an edit since the last choice counts.
  Write("Project1.inf", InfText("Shortcuts", kSh3Section));
  dialogs().Cancel();
  Click("cmdDPackage");
  EXPECT_EQ(wizard().InfPath(), inf);
  ExpectRow(0, false);
  ExpectRow(1, true);

  // A cancelled launcher dialog puts the stored path back into the box.
  Choose("cmdDPackage", Write("Project1.inf", InfText("Shortcuts", kMipsSection)));
  view().Type("txtWrapper", "");
  dialogs().Cancel();
  Click("cmdWrapperBrowse");
  EXPECT_EQ(view().At("txtWrapper").text, launcher);
  EXPECT_TRUE(Ready());
}

TEST_F(Step4WizardTest, ErrorsShowTheirDescriptionAndNumberAndKeepWhatWasSet) {
  const std::string inf = Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  Choose("cmdDPackage", inf);
  const std::system_error denied(std::make_error_code(std::errc::permission_denied), "Open dialog");
  struct Case {
    const char* button;
    std::function<std::optional<std::string>()> thrower;
    std::string box_text;
  };
  const Case cases[] = {
      {"cmdDPackage", [&]() -> std::optional<std::string> { throw denied; },
       std::string(denied.what()) + " " + std::to_string(EACCES)},
      {"cmdDPackage", []() -> std::optional<std::string> { throw std::runtime_error("Broken"); },
       "Broken 5"},
      {"cmdWrapperBrowse", []() -> std::optional<std::string> { throw std::bad_alloc(); },
       "Out of memory 7"},
      {"cmdWrapperBrowse", []() -> std::optional<std::string> { throw 42; }, "Unexpected error 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box_text);
    dialogs().messages.clear();
    dialogs().Fail(c.thrower);
    Click(c.button);
    ASSERT_EQ(dialogs().messages.size(), 1u);
    EXPECT_EQ(dialogs().messages[0].title, "Quillet");
    EXPECT_EQ(dialogs().messages[0].text, c.box_text);
  }
  // What was set before the failure stays; the button is re-evaluated as usual.
  EXPECT_EQ(wizard().InfPath(), inf);
  ExpectRow(0, true);
  EXPECT_FALSE(Ready());
  view().Type("txtWrapper", "typed.exe");
  dialogs().Fail([]() -> std::optional<std::string> { throw std::runtime_error("Broken"); });
  Click("cmdWrapperBrowse");
  EXPECT_TRUE(Ready());
  EXPECT_TRUE(wizard().Log().Rows().empty());
}

TEST(ErrorReportTest, NumbersFollowTheKindOfError) {
  const std::error_code denied = std::make_error_code(std::errc::permission_denied);
  const std::filesystem::filesystem_error no_file(
      "copy", std::make_error_code(std::errc::no_such_file_or_directory));
  struct Case {
    std::exception_ptr error;
    std::string description;
    int number;
  };
  const Case cases[] = {
      {std::make_exception_ptr(std::system_error(denied, "Open")),
       std::system_error(denied, "Open").what(), EACCES},
      {std::make_exception_ptr(no_file), no_file.what(), ENOENT},
      {std::make_exception_ptr(std::bad_alloc()), "Out of memory", 7},
      {std::make_exception_ptr(std::logic_error("Bad call")), "Bad call", 5},
      {std::make_exception_ptr(7), "Unexpected error", 5},
      {nullptr, "Unexpected error", 5},
  };
  for (const Case& c : cases) {
    const ErrorReport report = ReportOf(c.error);
    EXPECT_EQ(report.description, c.description);
    EXPECT_EQ(report.number, c.number) << c.description;
    EXPECT_EQ(ErrorBoxText(report), c.description + " " + std::to_string(c.number));
  }
}

// --- "Make Modifications" ---------------------------------------------------------

// Stands in for the CAB command: waits a few rounds, asking the window each
// time whether to stop, and then, like the CAB Wizard, leaves one cabinet per
// targeted processor in the package folder (unless told not to).
struct ScriptedCommand {
  const ToolState* state = nullptr;
  bool make_cabs = true;
  int exit_code = 0;
  int rounds = 3;
  bool throws = false;

  int commands = 0;
  bool busy_while_running = true;
  std::vector<int> stopped_in_round;  // per command: the round that said stop, or -1
  std::function<bool()> is_busy;

  platform::CommandResult operator()(const std::string& /*command*/,
                                     const std::string& working_directory,
                                     const platform::CommandCallbacks& callbacks) {
    ++commands;
    if (is_busy && !is_busy()) busy_while_running = false;
    int stopped = -1;
    for (int round = 0; round < rounds && stopped < 0; ++round) {
      if (callbacks.while_waiting && callbacks.while_waiting()) stopped = round;
    }
    stopped_in_round.push_back(stopped);
    if (throws) throw std::runtime_error("the command runner broke");
    if (stopped >= 0) {
      platform::CommandResult result;
      result.started = true;
      result.stopped = true;
      return result;
    }
    for (int slot = kFirstSlot; make_cabs && slot <= kLastSlot; ++slot) {
      if (state->ProcessorPresent[slot]) {
        WriteBytes(working_directory + "Project1." + state->ProcessorNames[slot] + ".CAB", "MSCF");
      }
    }
    return platform::CommandEnded(exit_code);
  }
};

// A copy of the sample package with its INF and both launchers chosen.
class RunWizardTest : public Step4WizardTest {
 protected:
  void SetUp() override {
    Step4WizardTest::SetUp();
    const fs::path examples = fs::u8path(QUILLET_EXAMPLES_DIR);
    fs::copy(examples / "sample_package", root_ / "pkg", fs::copy_options::recursive);
    fs::copy(examples / "launchers", root_ / "launchers", fs::copy_options::recursive);
    inf_ = Dir() + "pkg" + kSep + "Project1.inf";
    Choose("cmdDPackage", inf_);
    Choose("cmdWrapperBrowse", Dir() + "launchers" + kSep + "Mips" + kSep + "StubLauncher.exe");
    Choose("cmdWrapperBrowse3", Dir() + "launchers" + kSep + "Arm" + kSep + "StubLauncher.exe");
    ASSERT_TRUE(Ready());

    command_.state = &state_;
    command_.is_busy = [this] { return view().busy; };
    wizard().SetCommandRunner([this](const std::string& command, const std::string& folder,
                                     const platform::CommandCallbacks& callbacks) {
      return command_(command, folder, callbacks);
    });
    wizard().Log().LogAction(kEarlierRow, "", "", kStatusSuccess, "");
    view().journal.clear();
  }

  // The index of the first red row, or -1.
  int FirstRedRow() {
    const auto& rows = wizard().Log().Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].colour == StatusColour(kStatusFailure)) return static_cast<int>(i);
    }
    return -1;
  }

  static constexpr const char* kEarlierRow = "row of the previous run";
  std::string inf_;
  ScriptedCommand command_;
};

TEST_F(RunWizardTest, AnsweringNoToTheWarningLeavesEverythingAsItWas) {
  const std::string before = ReadBytes(inf_);
  std::string changed = before;
  changed.replace(changed.find("CEShortcuts=Shortcuts"), 21, "CEShortcuts=shortcuts");
  WriteBytes(inf_, changed);
  dialogs().AnswerNo();

  Click("cmdAuto");

  ASSERT_EQ(dialogs().warnings.size(), 1u);
  EXPECT_EQ(dialogs().warnings[0].title, kUntouchedWarningTitle);
  EXPECT_EQ(dialogs().warnings[0].text, UntouchedWarningText());
  EXPECT_FALSE(dialogs().warnings[0].busy_shown);  // the user is not kept waiting
  EXPECT_EQ(command_.commands, 0);
  ASSERT_EQ(wizard().Log().Rows().size(), 1u);
  EXPECT_EQ(wizard().Log().Rows()[0].action, kEarlierRow);
  EXPECT_EQ(ReadBytes(inf_), changed);
  EXPECT_FALSE(view().selected_row.has_value());
  EXPECT_FALSE(view().busy);
  EXPECT_FALSE(wizard().IsBusy());
  // Busy, lifted for the question, busy again, and over.
  const std::vector<std::string> expected = {"SetBusy true", "SetBusy false",
                                             "AskYesNoWarning " + UntouchedWarningText(),
                                             "SetBusy true", "SetBusy false"};
  EXPECT_EQ(view().journal, expected);
}

TEST_F(RunWizardTest, RunIsBusyWhileTheCommandRunsAndShowsItsLastRow) {
  Click("cmdAuto");

  EXPECT_TRUE(dialogs().warnings.empty());
  EXPECT_TRUE(dialogs().unexpected.empty());
  EXPECT_EQ(command_.commands, 2);
  EXPECT_TRUE(command_.busy_while_running);
  // The window painted while the commands ran, and once more at the end.
  EXPECT_EQ(view().pumps, 2 * command_.rounds + 1);
  const auto& rows = wizard().Log().Rows();
  ASSERT_EQ(rows.size(), 15u);
  EXPECT_EQ(view().rows_shown, 15u);
  EXPECT_EQ(FirstRedRow(), -1);
  EXPECT_EQ(view().selected_row, std::optional<int>(14));
  EXPECT_FALSE(view().busy);
  const std::vector<std::string> expected = {"SetBusy true", "SetBusy false", "SelectStatusRow 14"};
  EXPECT_EQ(view().journal, expected);
}

TEST_F(RunWizardTest, RunWithFailuresShowsTheFirstRedRowSelected) {
  struct Case {
    const char* name;
    bool make_cabs;
    int exit_code;
  };
  const Case cases[] = {{"no cabinets made", false, 0}, {"command failed", true, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    command_.make_cabs = c.make_cabs;
    command_.exit_code = c.exit_code;
    // After the first run the package is no longer untouched.
    if (!wizard().Log().Rows().empty() && wizard().Log().Rows()[0].action != kEarlierRow) {
      dialogs().AnswerYes();
    }
    Click("cmdAuto");
    const int first_red = FirstRedRow();
    ASSERT_GE(first_red, 0);
    // Not simply the last row: the list scrolls back up to the failure.
    ASSERT_LT(first_red + 1, static_cast<int>(wizard().Log().Rows().size()));
    EXPECT_EQ(view().selected_row, std::optional<int>(first_red));
  }
  EXPECT_TRUE(dialogs().AllAnswersUsed());
}

TEST_F(RunWizardTest, EscapeDuringTheCommandAsksAndYesStopsIt) {
  view().on_pump = [this] {
    if (view().pumps == 2) wizard().EscapePressed();
  };
  dialogs().AnswerYes();
  dialogs().AnswerYes();  // put the package back as it was before the stopped run

  Click("cmdAuto");

  // The stop, then the box in which every run with a failed action ends.
  ASSERT_EQ(dialogs().questions.size(), 2u);
  EXPECT_NE(
      dialogs().questions[1].text.find(" actions of the run failed. The first was \"Run CMD\"."),
      std::string::npos);
  const ScriptedDialogs::Question& question = dialogs().questions[0];
  EXPECT_EQ(question.title, "Quillet");
  EXPECT_EQ(question.text, "The CAB command is still running. Stop it?");
  EXPECT_FALSE(question.yes_is_default);
  EXPECT_FALSE(question.busy_shown);
  // Stopped in the round whose events held the Escape; the rest of the run
  // stops its command at once.
  const std::vector<int> stopped = {1, 0};
  EXPECT_EQ(command_.stopped_in_round, stopped);
  EXPECT_FALSE(view().closed);
  EXPECT_FALSE(view().busy);

  // The next run starts afresh, on the package as it was put back: no warning.
  view().on_pump = nullptr;
  command_.stopped_in_round.clear();
  Click("cmdAuto");
  EXPECT_TRUE(dialogs().warnings.empty());
  const std::vector<int> not_stopped = {-1, -1};
  EXPECT_EQ(command_.stopped_in_round, not_stopped);
}

TEST_F(RunWizardTest, AnsweringNoLetsTheCommandRunAndAsksAgainOnTheNextEscape) {
  view().on_pump = [this] {
    if (view().pumps == 1 || view().pumps == 5) wizard().EscapePressed();
  };
  dialogs().AnswerNo();
  dialogs().AnswerYes();
  dialogs().AnswerYes();  // put the package back as it was before the stopped run

  Click("cmdAuto");

  // Two Escapes, then the box in which every run with a failed action ends.
  EXPECT_EQ(dialogs().questions.size(), 3u);
  const std::vector<int> stopped = {-1, 1};  // pump 5 is the second command's second round
  EXPECT_EQ(command_.stopped_in_round, stopped);
}

TEST_F(RunWizardTest, CloseDuringTheRunWaitsForItsEnd) {
  bool may_close = true;
  view().on_pump = [&] {
    if (view().pumps == 1) may_close = wizard().Form_QueryUnload();
    EXPECT_FALSE(view().closed);
  };
  dialogs().AnswerNo();

  Click("cmdAuto");

  EXPECT_FALSE(may_close);
  ASSERT_EQ(dialogs().questions.size(), 1u);
  EXPECT_EQ(dialogs().questions[0].text,
            "The CAB command is still running. Stop it?\r\n\r\nQuillet closes when the run has "
            "ended.");
  EXPECT_FALSE(dialogs().questions[0].yes_is_default);
  // The run went to its end, and then the window closed, once, not busy.
  const std::vector<int> not_stopped = {-1, -1};
  EXPECT_EQ(command_.stopped_in_round, not_stopped);
  EXPECT_EQ(wizard().Log().Rows().size(), 15u);
  const std::vector<std::string> expected = {
      "SetBusy true", "SetBusy false", "AskYesNo " + dialogs().questions[0].text,
      "SetBusy true", "SetBusy false", "SelectStatusRow 14",
      "Close"};
  EXPECT_EQ(view().journal, expected);
  EXPECT_TRUE(wizard().Form_QueryUnload());
}

TEST_F(RunWizardTest, StepKeysDuringTheRunLeaveStepFourShown) {
  view().on_pump = [this] {
    wizard().NextStep();
    wizard().StepKeyPressed(Wizard::StepKey::kPageUp, false);
  };

  Click("cmdAuto");

  EXPECT_GT(view().pumps, 0);
  EXPECT_EQ(wizard().CurrentStep(), 4);
  EXPECT_EQ(view().At("cmdStep4").accessible_name, "Step 4, current page");
  view().on_pump = nullptr;
  wizard().NextStep();
  EXPECT_EQ(wizard().CurrentStep(), 5);
}

TEST_F(RunWizardTest, CloseAfterTheLastCommandIsDoneWithoutAQuestion) {
  view().on_pump = [&] {
    // The pump after both commands: input that waited for the run's end.
    if (command_.commands == 2 && view().pumps == 2 * command_.rounds + 1) {
      EXPECT_FALSE(wizard().Form_QueryUnload());
      wizard().EscapePressed();
    }
  };

  Click("cmdAuto");

  EXPECT_TRUE(dialogs().questions.empty());
  EXPECT_TRUE(view().closed);
  EXPECT_EQ(view().journal.back(), "Close");
}

TEST_F(RunWizardTest, CloseComesAfterTheRunsClosingMessage) {
  command_.throws = true;
  view().on_pump = [this] {
    if (view().pumps == 1) wizard().Form_QueryUnload();
  };
  dialogs().AnswerNo();

  Click("cmdAuto");

  ASSERT_EQ(dialogs().messages.size(), 1u);
  EXPECT_NE(dialogs().messages[0].text.find("the command runner broke"), std::string::npos);
  EXPECT_FALSE(dialogs().messages[0].busy_shown);
  ASSERT_GE(view().journal.size(), 3u);
  EXPECT_EQ(view().journal.back(), "Close");
  const auto message = std::find(view().journal.begin(), view().journal.end(),
                                 "ShowMessage " + dialogs().messages[0].text);
  EXPECT_NE(message, view().journal.end());
}

TEST_F(RunWizardTest, RunsOwnQuestionsAreCaptionedQuilletWithYesTheDefault) {
  std::optional<bool> answer;
  view().on_pump = [&] {
    if (view().pumps == 1) answer = wizard().RunHooks().ask_yes_no("Put the package back?");
  };
  dialogs().AnswerNo();

  Click("cmdAuto");

  EXPECT_EQ(answer, std::optional<bool>(false));
  ASSERT_EQ(dialogs().questions.size(), 1u);
  EXPECT_EQ(dialogs().questions[0].title, "Quillet");
  EXPECT_EQ(dialogs().questions[0].text, "Put the package back?");
  EXPECT_TRUE(dialogs().questions[0].yes_is_default);
  EXPECT_FALSE(dialogs().questions[0].busy_shown);
  // The run's busy state came back after the answer.
  EXPECT_TRUE(command_.busy_while_running);
  const std::vector<std::string> expected = {
      "SetBusy true", "SetBusy false", "AskYesNo Put the package back?",
      "SetBusy true", "SetBusy false", "SelectStatusRow 14"};
  EXPECT_EQ(view().journal, expected);
}

TEST_F(RunWizardTest, ClicksThatReachTheWizardDuringARunAreIgnored) {
  const std::string other = Write("other.inf", InfText("Shortcuts", kSh3Section));
  view().on_pump = [&] {
    dialogs().Pick(other);
    wizard().Click("cmdDPackage");
    dialogs().Pick(other);
    wizard().Click("cmdWrapperBrowse");
    wizard().Click("cmdAuto");
  };

  Click("cmdAuto");

  EXPECT_EQ(command_.commands, 2);
  EXPECT_EQ(dialogs().file_requests.size(), 3u);  // the three choices before the run
  EXPECT_EQ(wizard().InfPath(), inf_);
  EXPECT_TRUE(state_.ProcessorPresent[1]);
  EXPECT_EQ(wizard().Log().Rows().size(), 15u);
}

TEST_F(RunWizardTest, RunThatCannotStartSaysWhyWithoutTheBusyCursor) {
  // No processor section: "Make Modifications" is enabled, but there is no
  // launcher to point the shortcut at.
  const std::string text = InfText("Shortcuts", "");
  Choose("cmdDPackage", Write("bare.inf", text));
  ASSERT_TRUE(Ready());

  Click("cmdAuto");

  ASSERT_EQ(dialogs().messages.size(), 1u);
  EXPECT_EQ(dialogs().messages[0].title, "Quillet");
  EXPECT_FALSE(dialogs().messages[0].busy_shown);
  EXPECT_EQ(command_.commands, 0);
  EXPECT_EQ(wizard().Log().Rows().size(), 1u);
  EXPECT_FALSE(view().selected_row.has_value());
  EXPECT_EQ(ReadBytes(Dir() + "bare.inf"), text);
  EXPECT_FALSE(view().busy);
}

}  // namespace
}  // namespace quillet::testing
