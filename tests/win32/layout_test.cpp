// The window as the form table lays it out: every control where the table
// puts it, in pixels of the screen's DPI, with its caption, font, start state
// and the window's outer size. Run at 96 DPI and, in a second Wine prefix, at
// 120 DPI (QUILLET_EXPECT_DPI says which one the run expects).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "pixels.h"
#include "win32/resource_ids.h"
#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

using LayoutTest = WindowTest;

int ExpectedDpi() {
  const char* expected = std::getenv("QUILLET_EXPECT_DPI");
  return expected ? std::atoi(expected) : 0;
}

std::string Describe(const ControlSpec& spec) { return std::string(spec.name); }

TEST_F(LayoutTest, RunsAtTheDpiThePrefixSets) {
  if (ExpectedDpi() == 0) GTEST_SKIP() << "QUILLET_EXPECT_DPI not set";
  EXPECT_EQ(window_->DpiX(), ExpectedDpi());
  EXPECT_EQ(window_->DpiY(), ExpectedDpi());
  EXPECT_FLOAT_EQ(window_->TwipsPerPixelX(), 1440.0f / static_cast<float>(ExpectedDpi()));
}

TEST_F(LayoutTest, EveryControlSitsWhereTheFormPutsIt) {
  const float px = window_->TwipsPerPixelX();
  const float py = window_->TwipsPerPixelY();
  for (const ControlSpec& spec : FormControls()) {
    SCOPED_TRACE(Describe(spec));
    HWND hwnd = Control(spec.name);
    ASSERT_NE(hwnd, nullptr);
    const PixelRect expected = TwipsToPixels(spec.rect, px, py);
    const RECT actual = RectInParent(hwnd);
    EXPECT_EQ(actual.top, expected.top);
    const int width = actual.right - actual.left;
    const int height = actual.bottom - actual.top;
    if (spec.kind == ControlKind::kLabel) {
      // Auto-sized: as wide as its text. Otherwise a caption wider than its
      // label in this face widens the label, so no caption is cut short; it
      // never shrinks. Either grows away from the box it names: right-aligned
      // labels to the left, keeping their right edge.
      const PixelRect placed =
          TextControlRect(spec, expected, TextExtent(hwnd, false).cx, expected.height);
      EXPECT_EQ(actual.left, placed.left);
      EXPECT_EQ(width, placed.width);
      if (spec.align == TextAlign::kRight) {
        EXPECT_EQ(actual.right, expected.left + expected.width);
      }
      // The height the table fixes, if any.
      if (spec.rect.height != 0) {
        EXPECT_EQ(height, expected.height);
      }
      EXPECT_GT(height, 0);
    } else if (spec.kind == ControlKind::kRule) {
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(width, expected.width);
      EXPECT_EQ(height, 1);  // a one-pixel line
    } else {
      // In the named faces every caption fits the table's rectangle.
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(width, expected.width);
      EXPECT_EQ(height, expected.height);
    }
    // Parent: its page, or the window itself.
    const HWND parent =
        spec.page == 0 ? window_->Handle() : Control("fraStep" + std::to_string(spec.page));
    EXPECT_EQ(::GetParent(hwnd), parent);
    // The view reports the same rectangle back in twips.
    const TwipsRect twips = window_->Rect(spec.name);
    EXPECT_EQ(twips.left, static_cast<int>(std::lround(actual.left * px)));
    EXPECT_EQ(twips.top, static_cast<int>(std::lround(actual.top * py)));
  }
}

TEST_F(LayoutTest, WindowIsTheFixedSizeQuilletWindow) {
  HWND hwnd = window_->Handle();
  wchar_t class_name[64] = {};
  ::GetClassNameW(hwnd, class_name, 64);
  EXPECT_EQ(Narrow(class_name), "Quillet");
  EXPECT_EQ(WindowText(hwnd), "Quillet");
  EXPECT_EQ(window_->ControlHandle("frmMain"), hwnd);

  const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);  // not resizable
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  // The outer size in pixels, frame included; the client area is what the
  // system's frame for this style leaves.
  RECT outer{};
  ::GetWindowRect(hwnd, &outer);
  const int width = TwipsToPixels(static_cast<float>(kWindowOuterWidth), window_->TwipsPerPixelX());
  const int height =
      TwipsToPixels(static_cast<float>(kWindowOuterHeight), window_->TwipsPerPixelY());
  EXPECT_EQ(outer.right - outer.left, width);
  EXPECT_EQ(outer.bottom - outer.top, height);
  RECT frame{0, 0, 0, 0};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(style), FALSE,
                       static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE)));
  RECT client{};
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, width - (frame.right - frame.left));
  EXPECT_EQ(client.bottom, height - (frame.bottom - frame.top));

  // The program icon, big and small.
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(LayoutTest, ControlsShowTheirCaptionsAndStartStates) {
  for (const ControlSpec& spec : FormControls()) {
    SCOPED_TRACE(Describe(spec));
    HWND hwnd = Control(spec.name);
    if (spec.kind != ControlKind::kPicture && spec.kind != ControlKind::kStatusList) {
      EXPECT_EQ(WindowText(hwnd), std::string(spec.caption));
      EXPECT_EQ(window_->Text(spec.name), std::string(spec.caption));
    }
    EXPECT_EQ(window_->IsEnabled(spec.name), spec.enabled);
    EXPECT_EQ(window_->IsVisible(spec.name), spec.visible);
    EXPECT_EQ(window_->BackColour(spec.name), spec.back_colour);
    if (spec.kind == ControlKind::kCheckBox) {
      EXPECT_EQ(window_->IsChecked(spec.name), spec.checked);
    }
    // Reachable the other way round too.
    EXPECT_EQ(window_->ControlName(hwnd), spec.name);
  }
}

TEST_F(LayoutTest, KindsAreTheSystemsOwnControls) {
  struct Expectation {
    const char* name;
    const char* window_class;
    LONG style_bits;
  };
  const Expectation expectations[] = {
      {"cmdStep4", "Button", BS_OWNERDRAW | WS_TABSTOP},
      {"cmdDPackage", "Button", BS_PUSHBUTTON | WS_TABSTOP},
      {"chkSame", "Button", BS_AUTOCHECKBOX | WS_TABSTOP},
      {"txtDPackage", "Edit", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP},
      {"txtWrapper3", "Edit", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP},
      {"txtAppName", "Edit", ES_AUTOHSCROLL | WS_TABSTOP},
      {"txtStep4", "Edit", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP},
      {"txtCode", "Edit", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP},
      // Text statics (the window paints them), as a box's label is to screen readers.
      {"Label2", "Static", SS_RIGHT | SS_NOPREFIX},
      {"lblWrapper", "Static", SS_NOPREFIX},
      {"Image2", "Static", SS_OWNERDRAW},
      {"lvwStatus", "SysListView32", LVS_REPORT | WS_TABSTOP},
      {"fraStep4", "QuilletPage", 0},
  };
  for (const Expectation& expectation : expectations) {
    SCOPED_TRACE(expectation.name);
    HWND hwnd = Control(expectation.name);
    wchar_t class_name[64] = {};
    ::GetClassNameW(hwnd, class_name, 64);
    EXPECT_EQ(_wcsicmp(class_name, Widen(expectation.window_class).c_str()), 0)
        << Narrow(class_name);
    EXPECT_EQ(::GetWindowLongW(hwnd, GWL_STYLE) & expectation.style_bits, expectation.style_bits);
  }
  // The boxes the user types in take typing; the path boxes do not.
  EXPECT_EQ(::GetWindowLongW(Control("txtAppName"), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(::GetWindowLongW(Control("lblWrapper"), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
  // The marker strip lets clicks through to the button under it.
  EXPECT_EQ(::GetWindowLongW(Control("txtEdge"), GWL_STYLE) & SS_NOTIFY, 0);
  // The pages let the dialog manager find the controls inside them.
  EXPECT_TRUE(::GetWindowLongW(Control("fraStep2"), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

TEST_F(LayoutTest, LaterControlsLieInFrontOfEarlierOnes) {
  // Of two controls on one parent, the later one in the form is nearer the
  // top of the z-order.
  auto z_position = [](HWND hwnd) {
    int position = 0;
    for (HWND sibling = ::GetWindow(hwnd, GW_HWNDFIRST); sibling && sibling != hwnd;
         sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
      ++position;
    }
    return position;  // 0 is the top
  };
  const std::pair<const char*, const char*> in_front_of[] = {
      {"Label12", "Image2"},   {"Image4", "Image2"},        {"Image8", "Image7"},
      {"Image6", "Image5"},    {"cmdStep2", "cmdStep1"},    {"cmdStep5", "cmdStep4"},
      {"txtEdge", "cmdStep5"}, {"txtLicense", "lblVersion"}};
  for (const auto& [front, back] : in_front_of) {
    SCOPED_TRACE(std::string(front) + " over " + back);
    EXPECT_LT(z_position(Control(front)), z_position(Control(back)));
  }
}

TEST_F(LayoutTest, FontsAreTheNamedFacesAtTheScreensDpi) {
  const int dpi = window_->DpiY();
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind == ControlKind::kPage || spec.kind == ControlKind::kPicture ||
        spec.kind == ControlKind::kRule || spec.kind == ControlKind::kMarker) {
      continue;
    }
    SCOPED_TRACE(Describe(spec));
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(Control(spec.name), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW description{};
    ::GetObjectW(font, sizeof(description), &description);
    // The code box too: all other text in the window's face.
    const FontSpec expected = FontOf(spec.font);
    EXPECT_EQ(Narrow(description.lfFaceName), std::string(expected.face));
    EXPECT_EQ(description.lfHeight, -static_cast<int>(std::lround(expected.points * dpi / 72.0)));
    EXPECT_EQ(description.lfWeight, expected.bold ? FW_BOLD : FW_NORMAL);
  }
}

TEST_F(LayoutTest, StatusListHasItsColumnsAndRowImages) {
  HWND list = Control("lvwStatus");
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
  int column = 0;
  for (const ColumnSpec& spec : kStatusColumns) {
    SCOPED_TRACE(std::string(spec.header));
    wchar_t text[64] = {};
    LVCOLUMNW item{};
    item.mask = LVCF_TEXT | LVCF_WIDTH;
    item.pszText = text;
    item.cchTextMax = 64;
    ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                               reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(Narrow(text), std::string(spec.header));
    EXPECT_EQ(item.cx, TwipsToPixels(static_cast<float>(spec.width), window_->TwipsPerPixelX()));
    ++column;
  }
  const LRESULT extended = ::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(extended & LVS_EX_INFOTIP);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);

  // The row images come with the first row.
  StatusLog log;
  log.LogAction("INF Change", "Shortcuts", "QuilletShortcut", kStatusSuccess, "");
  window_->StatusRowsChanged(log, 0);
  HIMAGELIST images =
      reinterpret_cast<HIMAGELIST>(::SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(::ImageList_GetImageCount(images), 2);
  int width = 0;
  int height = 0;
  ::ImageList_GetIconSize(images, &width, &height);
  // 16 x 16 at 96 DPI, in step with the DPI above it.
  EXPECT_EQ(width, ::MulDiv(kRowImageSize, window_->DpiY(), 96));
  EXPECT_EQ(height, width);
}

}  // namespace
}  // namespace quillet::win32::testing
