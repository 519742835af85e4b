// The pages as the user meets them in the Win32 window: the state after
// start, every step button, Step 2's name fields, the about page and the
// Step 4 rows, all through the window's own controls.
#include <string>
#include <vector>

#include "stub/stub_source.h"
#include "version.h"
#include "wizard/page_texts.h"
#include "wizard_window_fixture.h"

namespace quillet::win32::testing {
namespace {

using PagesTest = WizardWindowTest;

// The pages shown, by step number.
std::vector<int> ShownPages(const MainWindow& window) {
  std::vector<int> shown;
  for (int step = 1; step <= kStepCount; ++step) {
    if (window.IsVisible(PageName(step))) shown.push_back(step);
  }
  return shown;
}

// Checks the end state of showing step N's page: that page alone, at the
// right of the step buttons; button N in the page colour, the others grey;
// the marker strip over button N's right edge, two pixels wide.
void ExpectStepShown(MainWindow& window, int step) {
  SCOPED_TRACE("step " + std::to_string(step));
  EXPECT_EQ(ShownPages(window), std::vector<int>{step});
  for (int other = 1; other <= kStepCount; ++other) {
    EXPECT_EQ(window.BackColour(StepButtonName(other)),
              other == step ? kPageColour : kIdleButtonColour);
  }
  const RECT page = WizardWindowTest::RectInParent(window.ControlHandle(PageName(step)));
  const RECT first = WizardWindowTest::RectInParent(window.ControlHandle("cmdStep1"));
  EXPECT_EQ(page.left, first.right);
  EXPECT_EQ(page.top, 0);
  const RECT button = WizardWindowTest::RectInParent(window.ControlHandle(StepButtonName(step)));
  const RECT strip = WizardWindowTest::RectInParent(window.ControlHandle("txtEdge"));
  EXPECT_EQ(strip.left, button.right - 2);
  EXPECT_EQ(strip.right, button.right);
  EXPECT_EQ(strip.top, button.top - 1);
  EXPECT_EQ(strip.bottom, button.bottom - 2);
  EXPECT_EQ(window.BackColour("txtEdge"), kPageColour);
  // The strip lies in front of the step buttons.
  for (HWND above = ::GetWindow(window.ControlHandle(StepButtonName(step)), GW_HWNDPREV);;
       above = ::GetWindow(above, GW_HWNDPREV)) {
    ASSERT_NE(above, nullptr) << "the strip is behind the button";
    if (above == window.ControlHandle("txtEdge")) break;
  }
}

TEST_F(PagesTest, StartsOnStep4WithTheTextsFilledIn) {
  ExpectStepShown(*window_, 4);
  // In twips: on a 15-twip screen Left 465, Top 3585, Width 30, Height 1200; on
  // a 12-twip screen 24 wide, from 12 above the button (in whole pixels).
  if (window_->TwipsPerPixelX() == 15.0f) {
    EXPECT_EQ(window_->Rect("txtEdge"), (TwipsRect{465, 3585, 30, 1200}));
  } else if (window_->TwipsPerPixelX() == 12.0f) {
    EXPECT_EQ(window_->Rect("txtEdge"), (TwipsRect{468, 3588, 24, 1200}));
  }
  EXPECT_EQ(window_->Text("txtStep1"), GetStep1Text());
  EXPECT_EQ(window_->Text("txtStep2"), GetStep2Text());
  EXPECT_EQ(window_->Text("txtStep3"), GetStep3Text());
  EXPECT_EQ(window_->Text("txtStep4"), GetStep4Text());
  EXPECT_EQ(window_->Text("txtCode"), BuildStubSource("Project1.vb", "StubLauncher.exe"));
  EXPECT_EQ(window_->Text("txtAppName"), "");
  EXPECT_EQ(window_->Text("txtWrapperName"), "");
  EXPECT_FALSE(window_->IsEnabled("cmdAuto"));
  EXPECT_EQ(window_->StatusRows().size(), 0u);
  // The settings file goes where the program said.
  EXPECT_EQ(state_.SettingsPath, Folder() + "\\Davure.ini");
}

TEST_F(PagesTest, EveryStepButtonShowsItsPageAlone) {
  for (const int step : {1, 2, 3, 5, 4, 4, 2}) {
    Click(StepButtonName(step));
    ExpectStepShown(*window_, step);
  }
  // What was typed on a page survives a visit elsewhere.
  Type("txtAppName", L"Keep");
  Click("cmdStep3");
  Click("cmdStep2");
  EXPECT_EQ(window_->Text("txtAppName"), "Keep");
}

TEST_F(PagesTest, TheAboutPageShowsVersionNoticeAndLicence) {
  Click("cmdStep5");
  ExpectStepShown(*window_, 5);
  EXPECT_EQ(window_->Text("lblVersion"), "Version: " QUILLET_PROJECT_VERSION);
  EXPECT_EQ(window_->Text("lblCopyright"), kLegalCopyright);
  EXPECT_EQ(window_->Text("txtLicense"), BuildLicenseText());
  EXPECT_FALSE(window_->IsVisible("txtLicense"));

  Click("cmdLicense");
  EXPECT_TRUE(::IsWindowVisible(Control("txtLicense")));
  // Shown, it lies in front of the version and legal-notice lines.
  EXPECT_EQ(::GetWindow(Control("fraStep5"), GW_CHILD), Control("txtLicense"));
  Click("cmdLicense");
  EXPECT_FALSE(window_->IsVisible("txtLicense"));
  Click("cmdLicense");
  EXPECT_TRUE(window_->IsVisible("txtLicense"));

  // Leaving and coming back keeps it shown, its text rebuilt.
  window_->SetText("txtLicense", "changed");
  Click("cmdStep1");
  Click("cmdStep5");
  EXPECT_TRUE(window_->IsVisible("txtLicense"));
  EXPECT_EQ(window_->Text("txtLicense"), BuildLicenseText());
}

TEST_F(PagesTest, Step2MirrorsTheNameWhileSameIsChecked) {
  Click("cmdStep2");
  const std::string code_at_start = window_->Text("txtCode");
  Type("txtAppName", L"Calc");
  // Every keystroke copies the name; the code stays until Substitute.
  EXPECT_EQ(window_->Text("txtWrapperName"), "Calc");
  EXPECT_EQ(window_->Text("txtCode"), code_at_start);
  Click("cmdSubstitute");
  EXPECT_EQ(window_->Text("txtCode"), BuildStubSource("Calc.vb", "Calc.exe"));

  // Unchecked: the launcher box and its label switched on, white, focused
  // with its text selected; the name no longer follows.
  Click("chkSame");
  EXPECT_FALSE(window_->IsChecked("chkSame"));
  EXPECT_TRUE(window_->IsEnabled("txtWrapperName"));
  EXPECT_TRUE(window_->IsEnabled("Label7"));
  EXPECT_EQ(BoxColour("txtWrapperName"), kEnabledBoxColour);
  EXPECT_EQ(::GetFocus(), Control("txtWrapperName"));
  DWORD start = 1;
  DWORD end = 0;
  ::SendMessageW(Control("txtWrapperName"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
  Type("txtWrapperName", L"Go");
  Type("txtAppName", L"X");
  EXPECT_EQ(window_->Text("txtWrapperName"), "CalcGo");
  Click("cmdSubstitute");
  EXPECT_EQ(window_->Text("txtCode"), BuildStubSource("CalcX.vb", "CalcGo.exe"));

  // Checked again: the application name overwrites what was typed, and the
  // box goes grey and off.
  Click("chkSame");
  EXPECT_EQ(window_->Text("txtWrapperName"), "CalcX");
  EXPECT_FALSE(window_->IsEnabled("txtWrapperName"));
  EXPECT_FALSE(window_->IsEnabled("Label7"));
  EXPECT_EQ(BoxColour("txtWrapperName"), kDisabledBoxColour);
}

TEST_F(PagesTest, SubstituteWithEmptyNamesGivesTheBareSuffixes) {
  Click("cmdStep2");
  Click("cmdSubstitute");
  EXPECT_EQ(window_->Text("txtCode"), BuildStubSource(".vb", ".exe"));
}

TEST_F(PagesTest, ChoosingTheInfSwitchesOnTheRowsOfItsProcessors) {
  const std::string inf =
      std::string(QUILLET_EXAMPLES_DIR) + "/windows_sample_package/Project1.inf";
  dialogs_.Pick(inf);
  Click("cmdDPackage");
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  EXPECT_EQ(dialogs_.file_requests[0].title, "eVB Distribution INF file to modify");
  EXPECT_EQ(dialogs_.file_requests[0].filter, "INF Files (*.inf)|*.inf|Show All (*.*)|*.*");
  EXPECT_EQ(window_->Text("txtDPackage"), inf);
  struct Row {
    const char* label;
    const char* box;
    const char* button;
    bool on;
  };
  const Row rows[] = {{"lblWrapper", "txtWrapper", "cmdWrapperBrowse", true},
                      {"lblWrapper2", "txtWrapper2", "cmdWrapperBrowse2", false},
                      {"lblWrapper3", "txtWrapper3", "cmdWrapperBrowse3", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.box);
    EXPECT_EQ(window_->IsEnabled(row.label), row.on);
    EXPECT_EQ(window_->IsEnabled(row.box), row.on);
    EXPECT_EQ(window_->IsEnabled(row.button), row.on);
    EXPECT_EQ(BoxColour(row.box), row.on ? kEnabledBoxColour : kDisabledBoxColour);
    EXPECT_EQ(window_->TextColour(row.label),
              row.on ? ::GetSysColor(COLOR_WINDOWTEXT) : kGreyTextColour);
  }
  // Ready once every row that is on has a launcher.
  EXPECT_FALSE(window_->IsEnabled("cmdAuto"));
  dialogs_.Pick("C:\\Stubs\\Mips\\Stub.exe");
  Click("cmdWrapperBrowse");
  EXPECT_EQ(dialogs_.file_requests.back().title, "eVC Wrapper for the MIPS processor:");
  EXPECT_EQ(dialogs_.file_requests.back().filter, "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*");
  EXPECT_FALSE(window_->IsEnabled("cmdAuto"));
  dialogs_.Pick("C:\\Stubs\\Arm\\Stub.exe");
  Click("cmdWrapperBrowse3");
  EXPECT_EQ(window_->Text("txtWrapper3"), "C:\\Stubs\\Arm\\Stub.exe");
  EXPECT_TRUE(window_->IsEnabled("cmdAuto"));
  EXPECT_TRUE(dialogs_.unexpected.empty());
}

TEST_F(PagesTest, ADialogThatFailsIsReportedInAnOkBox) {
  dialogs_.Fail([]() -> std::optional<std::string> {
    throw std::system_error(std::error_code(2, std::system_category()));
  });
  Click("cmdDPackage");
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].title, "Quillet");
  // The description, a space and the number.
  const std::string& text = dialogs_.messages[0].text;
  EXPECT_EQ(text.substr(text.size() - 2), " 2");
  EXPECT_FALSE(window_->IsEnabled("cmdAuto"));
}

TEST_F(PagesTest, ClosingSavesTheRememberedFolders) {
  dialogs_.Pick(Folder() + "\\Pkg\\Project1.inf");
  Click("cmdDPackage");
  ::SendMessageW(window_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_EQ(window_->Handle(), nullptr);
  // Saved once, beside where the program said; a new start reads it back.
  ToolState again;
  InitToolState(again, Folder());
  EXPECT_EQ(again.LastInfDir, Folder() + "\\Pkg");
}

}  // namespace
}  // namespace quillet::win32::testing
