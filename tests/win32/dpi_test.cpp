// A screen with another scale: the window is aware of each screen's DPI and
// lays itself out again when its DPI changes (WM_DPICHANGED, which Windows
// 8.1 and later send; Wine has one DPI for all screens, so the test sends
// it): every control, face, column and row image for the new DPI, the
// pictures drawn again from the raster for it, the marker strip still two
// pixels wide, and the outer size at the corner the system suggests.
#include <cmath>
#include <string>

#include "pixels.h"
#include "win32/pictures.h"
#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

class DpiTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // Every page made and placed at the first DPI, as after a visit to each.
    for (const int step : {1, 2, 3, 5, 4}) ShowPage(step);
    log_.LogAction("INF Change", "Shortcuts", "QuilletShortcut", kStatusSuccess, "");
    window_->StatusRowsChanged(log_, 0);
  }

  void ChangeDpiTo(int dpi, RECT suggested) {
    ::SendMessageW(window_->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
    Pump();
  }

  // Checks that the window is laid out for `dpi` as it would be made there.
  void ExpectLaidOutFor(int dpi, POINT corner) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
    EXPECT_EQ(window_->DpiX(), dpi);
    const float px = TwipsPerPixel(dpi);
    EXPECT_FLOAT_EQ(window_->TwipsPerPixelX(), px);
    const RECT first = RectInParent(Control("cmdStep1"));
    for (const ControlSpec& spec : FormControls()) {
      SCOPED_TRACE(std::string(spec.name));
      HWND hwnd = Control(spec.name);
      const RECT actual = RectInParent(hwnd);
      PixelRect expected = TwipsToPixels(spec.rect, px, px);
      if (spec.kind == ControlKind::kPage) {
        expected.left = first.right;  // where the page logic put it, in twips
      } else if (spec.kind == ControlKind::kMarker) {
        continue;
      } else if (spec.kind == ControlKind::kRule) {
        expected.height = 1;
      } else if (spec.kind == ControlKind::kLabel || spec.kind == ControlKind::kCheckBox ||
                 spec.kind == ControlKind::kButton) {
        // Fitted to the room the text takes in the face for this DPI.
        const SIZE text = TextExtent(hwnd, spec.kind != ControlKind::kLabel);
        EXPECT_GE(actual.right - actual.left,
                  spec.kind == ControlKind::kLabel ? text.cx : text.cx + 4);
        if (spec.align == TextAlign::kRight) {
          EXPECT_EQ(actual.right, expected.left + expected.width);
        } else if (spec.kind != ControlKind::kLabel || !spec.auto_size) {
          EXPECT_LE(actual.left, expected.left);
          EXPECT_GE(actual.right, expected.left + expected.width);
        }
        EXPECT_EQ(actual.top, expected.top);
        continue;
      }
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(actual.top, expected.top);
      EXPECT_EQ(actual.right - actual.left, expected.width);
      EXPECT_EQ(actual.bottom - actual.top, expected.height);
      if (spec.kind == ControlKind::kPicture || spec.kind == ControlKind::kRule ||
          spec.kind == ControlKind::kPage || spec.kind == ControlKind::kMarker) {
        continue;
      }
      // Its face at this DPI.
      LOGFONTW font{};
      ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
      EXPECT_EQ(font.lfHeight,
                -static_cast<int>(std::lround(FontOf(spec.font).points * dpi / 72.0)));
    }
    // The marker strip: two pixels over cmdStep4's right edge, from one above it.
    const RECT strip = RectInParent(Control("txtEdge"));
    const RECT button = RectInParent(Control("cmdStep4"));
    EXPECT_EQ(strip.right - strip.left, 2);
    EXPECT_EQ(strip.right, button.right);
    EXPECT_EQ(strip.top, button.top - 1);
    // The outer size for this DPI, at the corner suggested.
    RECT outer{};
    ::GetWindowRect(window_->Handle(), &outer);
    EXPECT_EQ(outer.left, corner.x);
    EXPECT_EQ(outer.top, corner.y);
    EXPECT_EQ(outer.right - outer.left, TwipsToPixels(static_cast<float>(kWindowOuterWidth), px));
    EXPECT_EQ(outer.bottom - outer.top, TwipsToPixels(static_cast<float>(kWindowOuterHeight), px));
    // The list's columns and row images.
    HWND list = Control("lvwStatus");
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0),
                TwipsToPixels(static_cast<float>(kStatusColumns[column].width), px));
    }
    int width = 0;
    int height = 0;
    ::ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(::SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
        &width, &height);
    EXPECT_EQ(width, ::MulDiv(kRowImageSize, dpi, 96));
    // The pictures drawn again for it: a stretched one to its new size, one
    // at its own size in step with the DPI.
    Capture(Control("fraStep4"));
    RECT client{};
    ::GetClientRect(Control("Image12"), &client);
    const SIZE stretched = window_->PictureSize("Image12");
    EXPECT_EQ(stretched.cx, client.right);
    EXPECT_EQ(stretched.cy, client.bottom);
    ShowPage(2);
    Capture(Control("fraStep2"));
    const auto natural = PictureNaturalSize(::GetModuleHandleW(nullptr), 8);
    ASSERT_TRUE(natural.has_value());
    EXPECT_EQ(window_->PictureSize("Image8").cx, ::MulDiv(natural->width, dpi, 96));
    ShowPage(4);
  }

  StatusLog log_;
};

TEST_F(DpiTest, TheWholeWindowFollowsAnotherDpi) {
  const int first = window_->DpiX();
  for (const int dpi : {144, 192, 96, first}) {
    const POINT corner{10 + dpi / 10, 20 + dpi / 12};
    ChangeDpiTo(dpi, RECT{corner.x, corner.y, corner.x + 100, corner.y + 100});
    ExpectLaidOutFor(dpi, corner);
  }
}

}  // namespace
}  // namespace quillet::win32::testing
