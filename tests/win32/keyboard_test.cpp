// The keyboard as a Windows user expects it: Enter and Space press the
// focused button (Enter once, however long it is held), and Ctrl with Tab,
// Page Down or Page Up goes to the next or previous step from wherever the
// focus is.
#include <filesystem>
#include <functional>
#include <string>

#include "wizard_window_fixture.h"

namespace quillet::win32::testing {
namespace {

using KeyboardTest = WizardWindowTest;

enum class Press { kEnter, kKeypadEnter, kSpace, kCtrlEnter };

struct ButtonCase {
  const char* button;
  Press press;
  bool pressed;
};

std::string Describe(const ButtonCase& c) {
  const char* keys[] = {"Enter", "keypad Enter", "Space", "Ctrl+Enter"};
  return std::string(c.button) + " " + keys[static_cast<int>(c.press)];
}

class ButtonKeyTest : public WizardWindowTest, public ::testing::WithParamInterface<ButtonCase> {
 protected:
  void TearDown() override {
    HoldKeys(false, false);
    WizardWindowTest::TearDown();
  }
};

std::vector<ButtonCase> ButtonCases() {
  std::vector<ButtonCase> cases;
  for (const char* button :
       {"cmdStep2", "cmdStep4", "cmdLicense", "cmdSubstitute", "cmdDPackage"}) {
    cases.push_back({button, Press::kEnter, true});
    cases.push_back({button, Press::kKeypadEnter, true});
    cases.push_back({button, Press::kSpace, true});
    cases.push_back({button, Press::kCtrlEnter, false});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Buttons, ButtonKeyTest, ::testing::ValuesIn(ButtonCases()),
                         [](const ::testing::TestParamInfo<ButtonCase>& info) {
                           std::string name = Describe(info.param);
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST_P(ButtonKeyTest, PressesTheFocusedButton) {
  const ButtonCase& c = GetParam();
  const std::string button = c.button;
  // What each button does, seen from outside.
  std::function<bool()> done;
  if (button == "cmdStep2") {
    done = [this] { return wizard_->CurrentStep() == 2; };
  } else if (button == "cmdStep4") {
    Click("cmdStep1");
    done = [this] { return wizard_->CurrentStep() == 4; };
  } else if (button == "cmdLicense") {
    Click("cmdStep5");
    done = [this] { return window_->IsVisible("txtLicense"); };
  } else if (button == "cmdSubstitute") {
    Click("cmdStep2");
    Type("txtAppName", L"Keyed");
    done = [this] { return window_->Text("txtCode").rfind("// Keyed.cpp", 0) == 0; };
  } else {
    dialogs_.Pick(Folder() + "\\Project1.inf");
    done = [this] { return dialogs_.file_requests.size() == 1; };
  }
  HWND target = Control(button);
  ::SetFocus(target);
  ASSERT_EQ(::GetFocus(), target);
  ASSERT_FALSE(done());

  switch (c.press) {
    case Press::kEnter:
      Key(target, VK_RETURN);
      break;
    case Press::kKeypadEnter: {
      // The keypad's Enter is Return with the extended-key bit.
      MSG message{target, WM_KEYDOWN, VK_RETURN, 1 | (1L << 24), 0, {}};
      if (!window_->PreTranslateMessage(message)) ::DispatchMessageW(&message);
      Pump();
      break;
    }
    case Press::kSpace:
      Key(target, VK_SPACE);
      Key(target, VK_SPACE, false);
      break;
    case Press::kCtrlEnter:
      HoldKeys(true, false);
      Key(target, VK_RETURN);
      HoldKeys(false, false);
      break;
  }
  EXPECT_EQ(done(), c.pressed);
  if (button != "cmdDPackage") {
    EXPECT_EQ(::GetFocus(), target);
  }
}

TEST_F(KeyboardTest, AHeldEnterPressesOnce) {
  Click("cmdStep5");
  ::SetFocus(Control("cmdLicense"));
  Key(Control("cmdLicense"), VK_RETURN);
  ASSERT_TRUE(window_->IsVisible("txtLicense"));
  // The key's repeats while it is held: the agreement stays shown.
  Key(Control("cmdLicense"), VK_RETURN, true, true);
  Key(Control("cmdLicense"), VK_RETURN, true, true);
  Key(Control("cmdLicense"), VK_RETURN, false);
  EXPECT_TRUE(window_->IsVisible("txtLicense"));
  // Enter in a box or on the check box presses nothing.
  Click("cmdStep2");
  const std::string code = window_->Text("txtCode");
  for (const char* control : {"txtAppName", "chkSame", "txtCode"}) {
    ::SetFocus(Control(control));
    Key(Control(control), VK_RETURN);
  }
  EXPECT_EQ(window_->Text("txtCode"), code);
  EXPECT_TRUE(window_->IsChecked("chkSame"));
  EXPECT_EQ(wizard_->CurrentStep(), 2);
}

TEST_F(KeyboardTest, EnterOnMakeModificationsStartsTheRun) {
  namespace fs = std::filesystem;
  const fs::path examples = QUILLET_EXAMPLES_DIR;
  fs::copy(examples / "windows_sample_package", folder_ / "pkg", fs::copy_options::recursive);
  fs::copy(examples / "launchers", folder_ / "launchers", fs::copy_options::recursive);
  dialogs_.Pick((folder_ / "pkg" / "Project1.inf").string());
  Click("cmdDPackage");
  dialogs_.Pick((folder_ / "launchers" / "Mips" / "StubLauncher.exe").string());
  Click("cmdWrapperBrowse");
  dialogs_.Pick((folder_ / "launchers" / "Arm" / "StubLauncher.exe").string());
  Click("cmdWrapperBrowse3");
  ASSERT_TRUE(window_->IsEnabled("cmdAuto"));
  ::SetFocus(Control("cmdAuto"));
  Key(Control("cmdAuto"), VK_RETURN);
  EXPECT_EQ(window_->StatusRows().size(), 15u);
  EXPECT_FALSE(window_->IsBusy());
  EXPECT_TRUE(dialogs_.unexpected.empty());
}

struct StepKeyCase {
  int from;
  const char* focus;  // the control with the focus when the keys come
  UINT key;
  bool shift;
  int to;
};

class StepKeyTest : public WizardWindowTest, public ::testing::WithParamInterface<StepKeyCase> {
 protected:
  void TearDown() override {
    HoldKeys(false, false);
    WizardWindowTest::TearDown();
  }
};

INSTANTIATE_TEST_SUITE_P(
    Keys, StepKeyTest,
    ::testing::Values(StepKeyCase{4, "cmdStep4", VK_TAB, false, 5},
                      StepKeyCase{5, "cmdLicense", VK_TAB, false, 1},  // after Step 5, Step 1
                      StepKeyCase{1, "txtStep1", VK_TAB, true, 5},     // before Step 1, Step 5
                      StepKeyCase{3, "txtStep3", VK_TAB, true, 2},
                      StepKeyCase{2, "txtAppName", VK_NEXT, false, 3},
                      StepKeyCase{2, "txtCode", VK_PRIOR, false, 1},
                      StepKeyCase{4, "txtDPackage", VK_NEXT, false, 5},
                      StepKeyCase{4, "lvwStatus", VK_PRIOR, false, 3},
                      StepKeyCase{2, "chkSame", VK_TAB, false, 3},
                      // Shift makes no difference to Page Down and Page Up.
                      StepKeyCase{3, "cmdStep3", VK_NEXT, true, 4}));

TEST_P(StepKeyTest, CtrlKeysMoveBetweenSteps) {
  const StepKeyCase& c = GetParam();
  Click(StepButtonName(c.from));
  HWND focused = Control(c.focus);
  ::SetFocus(focused);
  ASSERT_EQ(::GetFocus(), focused);
  if (std::string(c.focus) == "txtAppName") Type("txtAppName", L"ab");

  HoldKeys(true, c.shift);
  Key(focused, c.key);
  HoldKeys(false, false);

  EXPECT_EQ(wizard_->CurrentStep(), c.to);
  EXPECT_TRUE(::IsWindowVisible(Control(PageName(c.to))));
  EXPECT_EQ(::GetFocus(), Control(StepButtonName(c.to)));
  // Nothing else happened to the box that had the focus.
  if (std::string(c.focus) == "txtAppName") {
    EXPECT_EQ(window_->Text("txtAppName"), "ab");
  }
}

TEST_F(KeyboardTest, AHeldCtrlPageDownMovesOneStep) {
  Click("cmdStep1");
  HoldKeys(true, false);
  Key(Control("cmdStep1"), VK_NEXT);
  Key(::GetFocus(), VK_NEXT, true, true);
  Key(::GetFocus(), VK_NEXT, true, true);
  HoldKeys(false, false);
  EXPECT_EQ(wizard_->CurrentStep(), 2);
  // Without Ctrl, Page Down is the focused control's own (here: nothing).
  Key(::GetFocus(), VK_NEXT);
  EXPECT_EQ(wizard_->CurrentStep(), 2);
}

}  // namespace
}  // namespace quillet::win32::testing
