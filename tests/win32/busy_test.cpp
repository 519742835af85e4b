// While the page logic works (the CAB command runs): the wait cursor, the
// window repainting, the user's clicks and keys dropped, never queued; Escape
// and a close request passed on, so the user can ask to stop.
#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

using BusyTest = WindowTest;

// Posts a mouse click in the middle of a control, as the system queues one.
void PostClick(HWND control) {
  RECT client{};
  ::GetClientRect(control, &client);
  const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(control, WM_LBUTTONUP, 0, at);
}

bool AsksForWaitCursor(HWND control) {
  const LRESULT handled = ::SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return handled && ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
}

TEST_F(BusyTest, ShowsTheWaitCursorOverTheWholeWindow) {
  ShowPage(4);
  EXPECT_FALSE(AsksForWaitCursor(Control("txtDPackage")));
  window_->SetBusy(true);
  EXPECT_TRUE(window_->IsBusy());
  for (const char* name : {"frmMain", "txtDPackage", "cmdDPackage", "lvwStatus", "cmdStep1"}) {
    EXPECT_TRUE(AsksForWaitCursor(Control(name))) << name;
  }
  window_->SetBusy(false);
  EXPECT_FALSE(AsksForWaitCursor(Control("txtDPackage")));
}

TEST_F(BusyTest, ClicksAndKeysAreDroppedNotQueued) {
  ShowPage(4);
  window_->SetEnabled("cmdAuto", true);
  window_->SetBusy(true);
  PostClick(Control("cmdAuto"));
  PostClick(Control("cmdStep2"));
  ::PostMessageW(Control("txtDPackage"), WM_CHAR, L'x', 1);
  window_->PumpEvents();
  // Some arrive while the work does not pump; they go when it ends.
  PostClick(Control("cmdAuto"));
  ::PostMessageW(Control("cmdAuto"), WM_KEYDOWN, VK_SPACE, 0);
  window_->SetBusy(false);
  Pump();
  EXPECT_TRUE(events_.clicks.empty());
  EXPECT_EQ(window_->Text("txtDPackage"), "");
  // Afterwards the window takes input again.
  PostClick(Control("cmdAuto"));
  Pump();
  EXPECT_EQ(events_.clicks, (std::vector<std::string>{"cmdAuto"}));
}

TEST_F(BusyTest, TheWindowRepaintsMeanwhile) {
  ShowPage(4);
  window_->SetBusy(true);
  ::InvalidateRect(Control("lvwStatus"), nullptr, TRUE);
  ::InvalidateRect(window_->Handle(), nullptr, TRUE);
  window_->PumpEvents();
  EXPECT_FALSE(::GetUpdateRect(Control("lvwStatus"), nullptr, FALSE));
  EXPECT_FALSE(::GetUpdateRect(window_->Handle(), nullptr, FALSE));
  window_->SetBusy(false);
}

TEST_F(BusyTest, EscapeAndCloseArePassedOn) {
  ShowPage(4);
  events_.allow_close = false;  // as the page logic answers during a run
  window_->SetBusy(true);
  ::PostMessageW(Control("cmdDPackage"), WM_KEYDOWN, VK_ESCAPE, 0);
  window_->PumpEvents();
  EXPECT_EQ(events_.escapes, 1);
  ::PostMessageW(Control("txtDPackage"), WM_SYSKEYDOWN, VK_F4, 1 << 29);
  window_->PumpEvents();
  EXPECT_EQ(events_.close_requests, 1);
  ::SendMessageW(window_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(events_.close_requests, 2);
  EXPECT_TRUE(::IsWindow(window_->Handle()));
  window_->SetBusy(false);
  // Not busy, Escape is the dialog manager's and nothing happens.
  PressKey(Control("cmdDPackage"), VK_ESCAPE);
  EXPECT_EQ(events_.escapes, 1);
  EXPECT_TRUE(::IsWindow(window_->Handle()));
}

TEST_F(BusyTest, TheSessionMayNotEndUnderARun) {
  window_->SetBusy(true);
  EXPECT_EQ(::SendMessageW(window_->Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  window_->SetBusy(false);
  EXPECT_EQ(::SendMessageW(window_->Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  // Ending the session runs the close sequence, the window still there.
  ::SendMessageW(window_->Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(events_.destroyed);
}

TEST_F(BusyTest, AQuitMessageIsKeptForTheMessageLoop) {
  window_->SetBusy(true);
  ::PostQuitMessage(3);
  window_->PumpEvents();
  window_->SetBusy(false);
  MSG message{};
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

}  // namespace
}  // namespace quillet::win32::testing
