// What the window passes on when the user works it: clicks on every button,
// typing, the check box, mnemonics, Tab through the form's tab order, and
// closing.
#include <string>
#include <vector>

#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

using EventsTest = WindowTest;

TEST_F(EventsTest, EveryButtonPassesItsClickOnByName) {
  std::vector<std::string> expected;
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind != ControlKind::kButton && spec.kind != ControlKind::kStepButton) continue;
    window_->SetEnabled(spec.name, true);
    ::SendMessageW(Control(spec.name), BM_CLICK, 0, 0);
    expected.emplace_back(spec.name);
  }
  Pump();
  EXPECT_EQ(events_.clicks, expected);
}

TEST_F(EventsTest, DisabledButtonsPassNothingOn) {
  ASSERT_FALSE(window_->IsEnabled("cmdAuto"));
  ::SendMessageW(Control("cmdAuto"), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(events_.clicks.empty());
}

TEST_F(EventsTest, TheCheckBoxHasChangedWhenItsClickArrives) {
  ShowPage(2);
  struct Seen : RecordedEvents {
    MainWindow* window = nullptr;
    std::vector<bool> checked;
    void Click(std::string_view control) override {
      RecordedEvents::Click(control);
      checked.push_back(window->IsChecked("chkSame"));
    }
  } seen;
  seen.window = window_.get();
  window_->SetEvents(&seen);
  ::SendMessageW(Control("chkSame"), BM_CLICK, 0, 0);
  ::SendMessageW(Control("chkSame"), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(seen.clicks, (std::vector<std::string>{"chkSame", "chkSame"}));
  EXPECT_EQ(seen.checked, (std::vector<bool>{false, true}));
  window_->SetEvents(&events_);
}

TEST_F(EventsTest, TypingInATextBoxPassesEveryChangeOn) {
  ShowPage(2);
  HWND box = Control("txtAppName");
  ::SetFocus(box);
  for (const wchar_t character : std::wstring(L"Ab1")) {
    ::SendMessageW(box, WM_CHAR, character, 1);
  }
  Pump();
  EXPECT_EQ(window_->Text("txtAppName"), "Ab1");
  EXPECT_EQ(events_.changes, (std::vector<std::string>{"txtAppName", "txtAppName", "txtAppName"}));
}

TEST_F(EventsTest, AltAndTheUnderlinedLetterClicksSubstitute) {
  ShowPage(2);
  ::SetFocus(Control("txtAppName"));
  TypeAltChar(Control("txtAppName"), L's');
  EXPECT_EQ(events_.clicks, (std::vector<std::string>{"cmdSubstitute"}));
  // Not while its page is hidden.
  ShowPage(4);
  events_.clicks.clear();
  TypeAltChar(Control("cmdStep4"), L's');
  EXPECT_TRUE(events_.clicks.empty());
}

// The controls Tab visits, from cmdStep4: the form's tab order without the
// hidden and the disabled ones.
std::vector<std::string> Reachable(MainWindow& window) {
  std::vector<std::string> names;
  for (const std::string_view name : TabOrder()) {
    HWND hwnd = window.ControlHandle(name);
    if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) names.emplace_back(name);
  }
  return names;
}

TEST_F(EventsTest, TabFollowsTheFormsTabOrderOnThePageInFront) {
  for (const int step : {4, 2, 5}) {
    SCOPED_TRACE("page " + std::to_string(step));
    ShowPage(step);
    const std::vector<std::string> expected = Reachable(*window_);
    ::SetFocus(Control(expected.front()));
    std::vector<std::string> visited = {std::string(window_->ControlName(::GetFocus()))};
    for (std::size_t i = 1; i < expected.size() + 1; ++i) {
      PressKey(::GetFocus(), VK_TAB);
      visited.emplace_back(window_->ControlName(::GetFocus()));
    }
    std::vector<std::string> round = expected;
    round.push_back(expected.front());  // and round again
    EXPECT_EQ(visited, round);

    // Shift+Tab goes back the same way.
    HoldShift(true);
    PressKey(::GetFocus(), VK_TAB);
    HoldShift(false);
    EXPECT_EQ(window_->ControlName(::GetFocus()), expected.back());
  }
}

TEST_F(EventsTest, TabIntoATextBoxSelectsItsText) {
  ShowPage(4);
  window_->SetText("txtDPackage", "C:\\Pkg\\Project1.inf");
  ::SetFocus(Control("txtStep4"));
  PressKey(::GetFocus(), VK_TAB);
  ASSERT_EQ(::GetFocus(), Control("txtDPackage"));
  DWORD start = 1;
  DWORD end = 0;
  ::SendMessageW(Control("txtDPackage"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 19u);
}

TEST_F(EventsTest, ComingBackToTheWindowReturnsTheFocus) {
  ShowPage(4);
  ::SetActiveWindow(window_->Handle());
  ::SetFocus(Control("cmdDPackage"));
  ::SendMessageW(window_->Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  ::SetFocus(nullptr);
  ::SendMessageW(window_->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(::GetFocus(), Control("cmdDPackage"));
}

TEST_F(EventsTest, CloseAsksFirstAndGoesOnlyWhenAllowed) {
  events_.allow_close = false;
  ::SendMessageW(window_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_EQ(events_.close_requests, 1);
  EXPECT_TRUE(::IsWindow(window_->Handle()));
  EXPECT_FALSE(events_.destroyed);

  // Close from the page logic goes the same way, after the handler that asked.
  events_.allow_close = true;
  HWND hwnd = window_->Handle();
  window_->Close();
  EXPECT_TRUE(::IsWindow(hwnd));
  Pump();
  EXPECT_EQ(events_.close_requests, 2);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_TRUE(events_.destroyed);
  EXPECT_EQ(window_->Handle(), nullptr);
  EXPECT_EQ(window_->ControlHandle("cmdStep4"), nullptr);
}

}  // namespace
}  // namespace quillet::win32::testing
