// The page logic against a recording view: the load sequence, the step
// navigation and its marker strip, the about page, Step 2, and the close
// sequence.
#include "wizard/wizard.h"

#include <gtest/gtest.h>

#include "stub/stub_source.h"
#include "support/crlf_lines.h"
#include "version.h"
#include "wizard/page_texts.h"
#include "wizard_fixture.h"

namespace quillet::testing {
namespace {

using testing_support::SplitCrLf;

bool SameRect(const MarkerRect& a, const MarkerRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

std::string Describe(const MarkerRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.width) +
         "," + std::to_string(r.height);
}

// Exactly one page shown, in front, at the right of cmdStep1; its button alone
// in the page colour; the marker strip over that button's right edge (a
// 15-twip screen).
void ExpectStepShown(const RecordingView& view, int step) {
  SCOPED_TRACE("step " + std::to_string(step));
  for (int n = 1; n <= kStepCount; ++n) {
    EXPECT_EQ(view.At(PageName(n)).visible, n == step) << PageName(n);
    EXPECT_EQ(view.At(StepButtonName(n)).back_colour, n == step ? kPageColour : kIdleButtonColour)
        << StepButtonName(n);
  }
  const std::string_view page = PageName(step);
  EXPECT_TRUE(view.InFront(page));
  const TwipsRect at = view.Rect(page);
  EXPECT_EQ(at.left, 495);
  EXPECT_EQ(at.top, 0);
  EXPECT_EQ(at.width, FindControlSpec(page)->rect.width);
  EXPECT_EQ(at.height, 6135);

  const RecordedControl& strip = view.At("txtEdge");
  EXPECT_EQ(strip.back_colour, kPageColour);
  ASSERT_TRUE(strip.twips_given.has_value());
  const float top = static_cast<float>((step - 1) * 1200 - 15);
  EXPECT_TRUE(SameRect(*strip.twips_given, {465, top, 30, 1200})) << Describe(*strip.twips_given);
  EXPECT_EQ(strip.pixels, (PixelRect{31, (step - 1) * 80 - 1, 2, 80}));
}

TEST_F(WizardTest, LoadShowsStepFourWithEveryBoxFilled) {
  EXPECT_EQ(state_.SettingsPath, Dir() + kSettingsFileName);
  EXPECT_EQ(state_.ShortcutSectionName, "QuilletShortcut");
  EXPECT_EQ(state_.ProcessorNames[1], "Mips 4000 (4K) v3.00");

  ExpectStepShown(view(), 4);
  EXPECT_EQ(view().outer_size, (TwipsRect{0, 0, 8300, 6450}));

  const std::string texts[] = {GetStep1Text(), GetStep2Text(), GetStep3Text(), GetStep4Text()};
  const char* boxes[] = {"txtStep1", "txtStep2", "txtStep3", "txtStep4"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(view().At(boxes[i]).text, texts[i]) << boxes[i];
  const std::string code = view().At("txtCode").text;
  EXPECT_EQ(code, BuildStubSource("Project1.vb", "StubLauncher.exe"));
  EXPECT_EQ(SplitCrLf(code).size(), 50u);

  // The name boxes stay empty; the about page is filled when it is first shown.
  for (const char* empty : {"txtAppName", "txtWrapperName", "lblVersion", "lblCopyright",
                            "txtLicense", "txtDPackage"}) {
    EXPECT_EQ(view().At(empty).text, "") << empty;
  }
  EXPECT_FALSE(view().At("txtLicense").visible);
  EXPECT_TRUE(view().At("chkSame").checked);
  EXPECT_FALSE(view().At("cmdAuto").enabled);
  EXPECT_TRUE(wizard().InfPath().empty());
  EXPECT_TRUE(dialogs().file_requests.empty());
  EXPECT_TRUE(dialogs().messages.empty());
  EXPECT_FALSE(view().busy);
}

TEST_F(WizardTest, EveryStepButtonShowsItsPageTheSameWayTwice) {
  for (int step = 1; step <= kStepCount; ++step) {
    Click(StepButtonName(step));
    ExpectStepShown(view(), step);
    Click(StepButtonName(step));
    ExpectStepShown(view(), step);
  }
  // Backwards too: no page is left shown by an earlier one.
  for (int step = kStepCount; step >= 1; --step) {
    Click(StepButtonName(step));
    ExpectStepShown(view(), step);
  }
}

TEST_F(WizardTest, NavigationKeepsWhatThePagesHold) {
  Click("cmdStep2");
  view().Type("txtAppName", "MyApp");
  Click("cmdStep4");
  view().Type("txtDPackage", "typed.inf");
  wizard().Log().LogAction("Earlier run", "a", "b", kStatusSuccess, "");
  for (const char* other : {"cmdStep1", "cmdStep3", "cmdStep5", "cmdStep2", "cmdStep4"}) {
    Click(other);
  }
  EXPECT_EQ(view().At("txtAppName").text, "MyApp");
  EXPECT_EQ(view().At("txtWrapperName").text, "MyApp");
  EXPECT_EQ(view().At("txtDPackage").text, "typed.inf");
  EXPECT_EQ(view().rows_shown, 1u);
}

TEST_F(WizardTest, MarkerStaysTwoDevicePixelsWideOnATwelveTwipScreen) {
  Start(12.0f);
  // The button is 41 x 101 pixels at 0, 300: 492 x 1212 twips read back.
  const RecordedControl& strip = view().At("txtEdge");
  ASSERT_TRUE(strip.twips_given.has_value());
  EXPECT_TRUE(SameRect(*strip.twips_given, {468, 3588, 24, 1200})) << Describe(*strip.twips_given);
  EXPECT_EQ(strip.pixels, (PixelRect{39, 299, 2, 100}));
  // The page follows cmdStep1's width in pixels.
  EXPECT_EQ(view().At("fraStep4").pixels.left, view().At("cmdStep1").pixels.width);
  EXPECT_EQ(view().At("fraStep4").pixels.top, 0);

  Click("cmdStep1");
  EXPECT_EQ(view().At("txtEdge").pixels, (PixelRect{39, -1, 2, 100}));
}

TEST(StepMarkerRectTest, SinglePrecisionArithmeticOfTheStrip) {
  struct Case {
    int button_top;
    float pixel;
    MarkerRect expected;
  };
  const Case cases[] = {
      {0, 15.0f, {465, -15, 30, 1200}},
      {3600, 15.0f, {465, 3585, 30, 1200}},
      {3600, 12.0f, {471, 3588, 24, 1203}},
      {4800, 10.0f, {475, 4790, 20, 1205}},
  };
  for (const Case& c : cases) {
    const MarkerRect strip = StepMarkerRect({0, c.button_top, 495, 1215}, c.pixel, c.pixel);
    EXPECT_TRUE(SameRect(strip, c.expected))
        << c.button_top << " at " << c.pixel << ": " << Describe(strip);
  }
}

TEST_F(WizardTest, AboutPageIsRefreshedOnEveryShowingAndTheLicenceToggles) {
  Click("cmdStep5");
  EXPECT_EQ(view().At("lblVersion").text, std::string("Version: ") + QUILLET_PROJECT_VERSION);
  EXPECT_EQ(view().At("lblCopyright").text, kLegalCopyright);
  EXPECT_EQ(view().At("txtLicense").text, BuildLicenseText());
  EXPECT_FALSE(view().At("txtLicense").visible);

  // Shown, it lies in front of the version and notice lines; twice hides it.
  Click("cmdLicense");
  EXPECT_TRUE(view().At("txtLicense").visible);
  EXPECT_TRUE(view().InFront("txtLicense"));
  Click("cmdLicense");
  EXPECT_FALSE(view().At("txtLicense").visible);
  view().BringToFront("lblVersion");
  Click("cmdLicense");
  EXPECT_TRUE(view().At("txtLicense").visible);
  EXPECT_TRUE(view().InFront("txtLicense"));

  // A visit elsewhere keeps it shown; the texts are rebuilt on the way back.
  view().At("txtLicense").text = "stale";
  view().At("lblVersion").text = "stale";
  Click("cmdStep2");
  Click("cmdStep5");
  EXPECT_TRUE(view().At("txtLicense").visible);
  EXPECT_EQ(view().At("txtLicense").text, BuildLicenseText());
  EXPECT_EQ(view().At("lblVersion").text, std::string("Version: ") + QUILLET_PROJECT_VERSION);
  Click("cmdLicense");
  Click("cmdStep1");
  Click("cmdStep5");
  EXPECT_FALSE(view().At("txtLicense").visible);
}

TEST_F(WizardTest, SameMirrorsTheApplicationNameUntilUnchecked) {
  Click("cmdStep2");
  const std::string code_at_start = view().At("txtCode").text;

  // Every change is copied; the code waits for "Substitute".
  for (const char* typed : {"a", "ab", "abc", "ab"}) {
    view().Type("txtAppName", typed);
    EXPECT_EQ(view().At("txtWrapperName").text, typed);
  }
  EXPECT_EQ(view().At("txtCode").text, code_at_start);

  // Unchecked: the copied name stays, the box opens with its text selected.
  view().At("chkSame").checked = false;
  Click("chkSame");
  const RecordedControl& wrapper = view().At("txtWrapperName");
  EXPECT_EQ(wrapper.text, "ab");
  EXPECT_TRUE(wrapper.enabled);
  EXPECT_TRUE(view().At("Label7").enabled);
  EXPECT_EQ(wrapper.back_colour, kEnabledBoxColour);
  EXPECT_EQ(view().focused, "txtWrapperName");
  EXPECT_EQ(view().selection, "ab");

  // The application name no longer follows.
  view().Type("txtWrapperName", "Stub");
  view().Type("txtAppName", "abx");
  EXPECT_EQ(wrapper.text, "Stub");

  // Checked again: the typed launcher name gives way to the application name.
  view().At("chkSame").checked = true;
  Click("chkSame");
  EXPECT_EQ(wrapper.text, "abx");
  EXPECT_FALSE(wrapper.enabled);
  EXPECT_FALSE(view().At("Label7").enabled);
  EXPECT_EQ(wrapper.back_colour, kDisabledBoxColour);
}

TEST_F(WizardTest, SubstituteTakesTheNamesAsTyped) {
  struct Case {
    const char* name;
    const char* app;
    const char* wrapper;  // typed with "Same" unchecked; nullptr: "Same" stays on
    const char* line1;    // before ".cpp : Defines the entry point for the application."
    const char* line7;
    const char* line8;
  };
  const Case cases[] = {
      {"both empty", "", nullptr, "// ", "LPTSTR szAppName = _T(\".vb\");",
       "LPTSTR szStubName = _T(\".exe\");"},
      {"same name", "MyApp", nullptr, "// MyApp", "LPTSTR szAppName = _T(\"MyApp.vb\");",
       "LPTSTR szStubName = _T(\"MyApp.exe\");"},
      {"dots in launcher", "App", "my.stub", "// my.stub", "LPTSTR szAppName = _T(\"App.vb\");",
       "LPTSTR szStubName = _T(\"my.stub.exe\");"},
      {"backslash in launcher", "App", "a\\b", "// b", "LPTSTR szAppName = _T(\"App.vb\");",
       "LPTSTR szStubName = _T(\"a\\b.exe\");"},
      {".vb typed", "Proj.vb", nullptr, "// Proj.vb", "LPTSTR szAppName = _T(\"Proj.vb.vb\");",
       "LPTSTR szStubName = _T(\"Proj.vb.exe\");"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Start(15.0f);
    Click("cmdStep2");
    view().Type("txtAppName", c.app);
    if (c.wrapper != nullptr) {
      view().At("chkSame").checked = false;
      Click("chkSame");
      view().Type("txtWrapperName", c.wrapper);
    }
    Click("cmdSubstitute");
    const auto lines = SplitCrLf(view().At("txtCode").text);
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines[0],
              std::string(c.line1) + ".cpp : Defines the entry point for the application.");
    EXPECT_EQ(lines[6], c.line7);
    EXPECT_EQ(lines[7], c.line8);
    EXPECT_EQ(lines[49], "}");
  }
}

TEST_F(WizardTest, EveryButtonAndTheCheckBoxReachAHandler) {
  int clickable = 0;
  for (const ControlSpec& spec : FormControls()) {
    const bool clicks = spec.kind == ControlKind::kStepButton ||
                        spec.kind == ControlKind::kButton || spec.kind == ControlKind::kCheckBox;
    if (!clicks) {
      EXPECT_FALSE(wizard().Click(spec.name)) << spec.name;
      continue;
    }
    ++clickable;
    EXPECT_TRUE(wizard().Click(spec.name)) << spec.name;
  }
  EXPECT_EQ(clickable, 13);
  EXPECT_TRUE(wizard().TextChanged("txtAppName"));
  EXPECT_FALSE(wizard().TextChanged("txtWrapperName"));
  EXPECT_FALSE(wizard().TextChanged("txtDPackage"));
}

TEST_F(WizardTest, RemembersFoldersOnceWhenTheWindowGoesAway) {
  Click("cmdStep2");  // whichever page is showing
  const std::string sep(1, run_test::kSep);
  state_.LastInfDir = "Pkg";
  state_.LastArmDir = "Arm" + sep;
  EXPECT_TRUE(wizard().Form_QueryUnload());
  wizard().Form_Terminate();
  const std::string settings = state_.SettingsPath;
  const std::string saved = run_test::ReadBytes(settings);
  EXPECT_NE(saved.find("[LastDirs]"), std::string::npos) << saved;
  EXPECT_NE(saved.find("1=Pkg"), std::string::npos) << saved;
  EXPECT_NE(saved.find("4=Arm" + sep), std::string::npos) << saved;

  // Neither a second call nor the wizard's end writes again.
  state_.LastInfDir = "Elsewhere";
  wizard().Form_Terminate();
  wizard_.reset();
  EXPECT_EQ(run_test::ReadBytes(settings), saved);

  // The next window starts from them.
  state_ = ToolState{};
  Start(15.0f);
  EXPECT_EQ(state_.LastInfDir, "Pkg");
  EXPECT_EQ(state_.LastArmDir, "Arm" + sep);
}

TEST_F(WizardTest, WindowThatNeverRanItsCloseSequenceStillSavesOnce) {
  state_.LastMipsDir = "Mips" + std::string(1, run_test::kSep);
  const std::string settings = state_.SettingsPath;
  wizard_.reset();
  EXPECT_NE(run_test::ReadBytes(settings).find("2=Mips"), std::string::npos);
}

TEST_F(WizardTest, EscapeAndCloseOutsideARunAskNothing) {
  wizard().EscapePressed();
  EXPECT_TRUE(wizard().Form_QueryUnload());
  EXPECT_TRUE(dialogs().questions.empty());
  EXPECT_FALSE(view().closed);
}

TEST_F(WizardTest, CtrlKeysMoveBetweenStepsAsTheStepButtonsDo) {
  using Key = Wizard::StepKey;
  struct Case {
    int from;
    Key key;
    bool shift;
    int to;
  };
  const Case cases[] = {
      {4, Key::kTab, false, 5},      {5, Key::kTab, false, 1},  // wraps, as tabbed dialogs do
      {1, Key::kTab, true, 5},       {3, Key::kTab, true, 2},     {2, Key::kPageDown, false, 3},
      {5, Key::kPageDown, false, 1}, {1, Key::kPageUp, false, 5}, {4, Key::kPageUp, false, 3},
      {2, Key::kPageDown, true, 3},  {2, Key::kPageUp, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("from " + std::to_string(c.from) + " to " + std::to_string(c.to));
    Click(StepButtonName(c.from));
    ASSERT_EQ(wizard().CurrentStep(), c.from);
    view().SetText("lblVersion", "");
    EXPECT_TRUE(wizard().StepKeyPressed(c.key, c.shift));
    ExpectStepShown(view(), c.to);
    EXPECT_EQ(wizard().CurrentStep(), c.to);
    // The focus follows to the step's button, where Tab enters its page.
    EXPECT_EQ(view().focused, StepButtonName(c.to));
    // Through the button's own handler: Step 5 refreshes the about page.
    EXPECT_EQ(view().At("lblVersion").text, c.to == 5 ? VersionCaption() : "");
  }
}

TEST_F(WizardTest, StepButtonsSayWhichPageIsShown) {
  auto expect_current = [this](int current) {
    for (int step = 1; step <= kStepCount; ++step) {
      EXPECT_EQ(view().At(StepButtonName(step)).accessible_name,
                StepButtonAccessibleName(step, step == current))
          << step;
    }
  };
  expect_current(4);
  EXPECT_EQ(view().At("cmdStep4").accessible_name, "Step 4, current page");
  EXPECT_EQ(view().At("cmdStep3").accessible_name, "Step 3");
  Click("cmdStep2");
  expect_current(2);
  wizard().NextStep();
  expect_current(3);
  wizard().PreviousStep();
  wizard().PreviousStep();
  expect_current(1);
  Click("cmdStep5");
  expect_current(5);
  EXPECT_EQ(view().At("cmdStep5").accessible_name, "Step 5, about Quillet, current page");
}

}  // namespace
}  // namespace quillet::testing
