// The view the page logic drives: texts, states, colours, rectangles in
// twips, z-order, the outer size, the marker strip; and what the user then
// sees in the window's pixels.
#include <algorithm>
#include <string>

#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

using ViewTest = WindowTest;

// The colour a control asks its parent for (WM_CTLCOLOR*), as the system
// would ask while painting it: the background colour set into the DC and the
// brush's colour.
struct PaintColours {
  COLORREF background;
  COLORREF brush;
  COLORREF text;
};

PaintColours AskColours(HWND control, UINT message) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SetBkColor(dc, RGB(1, 2, 3));
  ::SetTextColor(dc, RGB(4, 5, 6));
  const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(control), message,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(control)));
  LOGBRUSH description{};
  ::GetObjectW(brush, sizeof(description), &description);
  PaintColours colours{::GetBkColor(dc), description.lbColor, ::GetTextColor(dc)};
  ::DeleteDC(dc);
  return colours;
}

// A pixel of a control as it is drawn (read from the window's own surface,
// which is what reaches the screen), in the control's client coordinates.
COLORREF PixelOf(HWND control, int x, int y) {
  ::RedrawWindow(::GetAncestor(control, GA_ROOT), nullptr, nullptr,
                 RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = ::GetDC(control);
  const COLORREF colour = ::GetPixel(dc, x, y);
  ::ReleaseDC(control, dc);
  return colour;
}

// True when some pixel of the control has exactly that colour.
bool ShowsColour(HWND control, COLORREF colour) {
  ::RedrawWindow(::GetAncestor(control, GA_ROOT), nullptr, nullptr,
                 RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  ::GetClientRect(control, &client);
  HDC dc = ::GetDC(control);
  bool found = false;
  for (int y = 0; y < client.bottom && !found; ++y) {
    for (int x = 0; x < client.right && !found; ++x) found = ::GetPixel(dc, x, y) == colour;
  }
  ::ReleaseDC(control, dc);
  return found;
}

TEST_F(ViewTest, TextsGoInAndComeBackAsSet) {
  const std::string path = "C:\\Pakete\\Größe \xE2\x82\xAC\\Project1.inf";  // UTF-8
  window_->SetText("txtDPackage", path);
  EXPECT_EQ(window_->Text("txtDPackage"), path);
  // A text area keeps CR LF line breaks and shows them as lines.
  const std::string lines = "first\r\nsecond\r\n\r\nfourth";
  window_->SetText("txtStep1", lines);
  EXPECT_EQ(window_->Text("txtStep1"), lines);
  EXPECT_EQ(::SendMessageW(Control("txtStep1"), EM_GETLINECOUNT, 0, 0), 4);
  window_->SetText("lblVersion", "Version: 1.0.0");
  EXPECT_EQ(WindowText(Control("lblVersion")), "Version: 1.0.0");
  // A long text is taken whole (no edit-control limit in the way).
  const std::string licence(70000, 'x');
  window_->SetText("txtLicense", licence);
  EXPECT_EQ(window_->Text("txtLicense").size(), licence.size());
  // Unknown names are ignored.
  window_->SetText("nothing", "x");
  EXPECT_EQ(window_->Text("nothing"), "");
}

TEST_F(ViewTest, StatesAreTheControlsOwn) {
  window_->SetEnabled("cmdAuto", true);
  EXPECT_TRUE(window_->IsEnabled("cmdAuto"));
  EXPECT_TRUE(::IsWindowEnabled(Control("cmdAuto")));
  window_->SetEnabled("cmdAuto", false);
  EXPECT_FALSE(window_->IsEnabled("cmdAuto"));

  // Shown on a hidden page: its own state says shown.
  ASSERT_FALSE(window_->IsVisible("fraStep5"));
  window_->SetVisible("txtLicense", true);
  EXPECT_TRUE(window_->IsVisible("txtLicense"));
  EXPECT_FALSE(::IsWindowVisible(Control("txtLicense")));
  window_->SetVisible("txtLicense", false);
  EXPECT_FALSE(window_->IsVisible("txtLicense"));

  window_->SetChecked("chkSame", false);
  EXPECT_FALSE(window_->IsChecked("chkSame"));
  EXPECT_EQ(::SendMessageW(Control("chkSame"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  window_->SetChecked("chkSame", true);
  EXPECT_TRUE(window_->IsChecked("chkSame"));
  EXPECT_TRUE(events_.clicks.empty());  // setting the state is no click
}

TEST_F(ViewTest, BringToFrontPutsTheControlOnTopOfItsSiblings) {
  window_->BringToFront("txtLicense");
  EXPECT_EQ(::GetWindow(Control("fraStep5"), GW_CHILD), Control("txtLicense"));
  window_->BringToFront("fraStep2");
  EXPECT_EQ(::GetWindow(window_->Handle(), GW_CHILD), Control("fraStep2"));
}

TEST_F(ViewTest, RectanglesGoInTwipsAndLandOnWholePixels) {
  const float px = window_->TwipsPerPixelX();
  const float py = window_->TwipsPerPixelY();
  // The marker strip over cmdStep4's right edge: on a 15-twip screen Left 465,
  // Top 3585, Width 30, Height 1200 (two pixels wide, one pixel above).
  window_->SetRect("txtEdge", StepMarkerRect(window_->Rect("cmdStep4"), px, py));
  const RECT strip = RectInParent(Control("txtEdge"));
  const RECT button = RectInParent(Control("cmdStep4"));
  EXPECT_EQ(strip.right - strip.left, 2);
  EXPECT_EQ(strip.right, button.right);
  EXPECT_EQ(strip.top, button.top - 1);
  EXPECT_EQ(strip.bottom, button.bottom - 2);
  if (px == 15.0f) {
    EXPECT_EQ(window_->Rect("txtEdge"), (TwipsRect{465, 3585, 30, 1200}));
  }
  // A rectangle given in twips comes back in twips of whole pixels.
  window_->SetRect("fraStep3", MarkerRect{495, 0, 7695, 6135});
  const TwipsRect page = window_->Rect("fraStep3");
  EXPECT_EQ(page.left, static_cast<int>(TwipsToPixels(495, px) * px + 0.5f));
  EXPECT_EQ(page.width, static_cast<int>(TwipsToPixels(7695, px) * px + 0.5f));
}

TEST_F(ViewTest, OuterSizeIsSetFrameIncluded) {
  window_->SetOuterSize(6000, 4500);
  RECT outer{};
  ::GetWindowRect(window_->Handle(), &outer);
  EXPECT_EQ(outer.right - outer.left, TwipsToPixels(6000, window_->TwipsPerPixelX()));
  EXPECT_EQ(outer.bottom - outer.top, TwipsToPixels(4500, window_->TwipsPerPixelY()));
}

TEST_F(ViewTest, FocusAndSelectAllSelectsTheWholeText) {
  ShowPage(2);
  window_->SetEnabled("txtWrapperName", true);
  window_->SetText("txtWrapperName", "MyLauncher");
  window_->FocusAndSelectAll("txtWrapperName");
  EXPECT_EQ(::GetFocus(), Control("txtWrapperName"));
  DWORD start = 1;
  DWORD end = 0;
  ::SendMessageW(Control("txtWrapperName"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 10u);
}

TEST_F(ViewTest, BoxesAskForTheirBackColours) {
  struct Case {
    const char* control;
    UINT message;
    std::uint32_t back;
  };
  // Read-only and disabled edit boxes ask with WM_CTLCOLORSTATIC, others with
  // WM_CTLCOLOREDIT; both get the control's back colour.
  const Case cases[] = {
      {"txtDPackage", WM_CTLCOLOREDIT, kEnabledBoxColour},
      {"txtWrapper", WM_CTLCOLORSTATIC, kDisabledBoxColour},
      {"txtWrapperName", WM_CTLCOLORSTATIC, kDisabledBoxColour},
      {"txtStep1", WM_CTLCOLORSTATIC, kPageColour},
      {"txtStep4", WM_CTLCOLORSTATIC, kPageColour},
      {"txtCode", WM_CTLCOLORSTATIC, kEnabledBoxColour},
      {"chkSame", WM_CTLCOLORSTATIC, kPageColour},
      {"txtEdge", WM_CTLCOLORSTATIC, kPageColour},
      {"Line1", WM_CTLCOLORSTATIC, kRuleColour},
      {"Line4", WM_CTLCOLORSTATIC, kRuleColour},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.control);
    const PaintColours colours = AskColours(Control(item.control), item.message);
    EXPECT_EQ(colours.background, item.back);
    EXPECT_EQ(colours.brush, item.back);
  }
  // A launcher row switched on: white; off again: grey.
  window_->SetBackColour("txtWrapper", kEnabledBoxColour);
  EXPECT_EQ(AskColours(Control("txtWrapper"), WM_CTLCOLORSTATIC).brush, kEnabledBoxColour);
  window_->SetBackColour("txtWrapper", kDisabledBoxColour);
  EXPECT_EQ(AskColours(Control("txtWrapper"), WM_CTLCOLORSTATIC).brush, kDisabledBoxColour);
  // The licence box has the system's window colour.
  EXPECT_EQ(AskColours(Control("txtLicense"), WM_CTLCOLORSTATIC).brush,
            ::GetSysColor(COLOR_WINDOW));
}

TEST_F(ViewTest, PagesButtonsAndLabelsShowTheirColours) {
  ShowPage(4);
  // The pressed step button and its page in the page colour, the others grey.
  EXPECT_EQ(PixelOf(Control("cmdStep4"), 6, 12), kPageColour);
  EXPECT_EQ(PixelOf(Control("cmdStep1"), 6, 12), kIdleButtonColour);
  EXPECT_EQ(PixelOf(Control("fraStep4"), 2, 30), kPageColour);
  // The marker strip joins the pressed button to its page.
  RECT strip = RectInParent(Control("txtEdge"));
  EXPECT_EQ(PixelOf(window_->Handle(), strip.left, strip.top + 20), kPageColour);
  // The rule is one pixel of 0x400000 across the page.
  EXPECT_EQ(PixelOf(Control("Line1"), 100, 0), kRuleColour);
  // Switched-off labels in grey text, switched-on ones in the window's text colour.
  EXPECT_TRUE(ShowsColour(Control("lblWrapper"), kGreyTextColour));
  window_->SetEnabled("lblWrapper", true);
  EXPECT_FALSE(ShowsColour(Control("lblWrapper"), kGreyTextColour));
  EXPECT_TRUE(ShowsColour(Control("lblWrapper"), ::GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_EQ(window_->TextColour("lblWrapper"), ::GetSysColor(COLOR_WINDOWTEXT));

  // The about page: its lines in 0x800000.
  ShowPage(5);
  window_->SetText("lblVersion", "Version: 1.0.0");
  EXPECT_TRUE(ShowsColour(Control("lblVersion"), kAboutTextColour));
  EXPECT_TRUE(ShowsColour(Control("Label3"), kAboutTextColour));
  EXPECT_EQ(PixelOf(Control("cmdStep5"), 6, 12), kPageColour);
  EXPECT_EQ(PixelOf(Control("cmdStep4"), 6, 12), kIdleButtonColour);
}

TEST_F(ViewTest, AStepButtonsWideCaptionStaysInsideItsEdgeOnOneLine) {
  // "Quillet" is wider than the button in the window's face; it is drawn
  // smaller, on one line, within the raised edge (not over it).
  HWND button = Control("cmdStep5");
  // As after a start with the mouse: keyboard cues hidden (ODS_NOACCEL).
  ::SendMessageW(window_->Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEACCEL), 0);
  ::RedrawWindow(window_->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  ::GetClientRect(button, &client);
  const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
  HDC dc = ::GetDC(button);
  int top = client.bottom;
  int bottom = -1;
  for (int y = 2; y < client.bottom - 2; ++y) {
    for (int x = 0; x < client.right - 2; ++x) {
      if (::GetPixel(dc, x, y) != text) continue;
      EXPECT_GE(x, 3) << "text over the left edge at row " << y;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  TEXTMETRICW metrics{};
  ::SelectObject(dc, window_->ControlFont("cmdStep5"));
  ::GetTextMetricsW(dc, &metrics);
  ::ReleaseDC(button, dc);
  ASSERT_GE(bottom, top) << "no caption drawn";
  EXPECT_LT(bottom - top, metrics.tmHeight) << "the caption takes more than one line";
}

TEST_F(ViewTest, PicturesAreDrawnOverThePageColour) {
  ShowPage(1);
  HWND picture = Control("Image2");
  RECT client{};
  ::GetClientRect(picture, &client);
  // Drawn: not all of the picture is page colour; its corner is (clear there).
  EXPECT_EQ(PixelOf(picture, 0, 0), kPageColour);
  int drawn = 0;
  for (int x = 0; x < client.right; x += 7) {
    if (PixelOf(picture, x, client.bottom / 2) != kPageColour) ++drawn;
  }
  EXPECT_GT(drawn, 5);
  // Where a drawing is clear, the page shows through: on the about page the
  // icon's corners are page colour, not the label's or the window's grey.
  ShowPage(5);
  EXPECT_EQ(PixelOf(Control("Image1"), 0, 0), kPageColour);
}

}  // namespace
}  // namespace quillet::win32::testing
