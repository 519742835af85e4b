// The window in other faces than the named ones: as Wine resolves the named
// faces (without Wine's own fonts installed, Liberation Sans for both), and
// with one face forced in their place (QUILLET_FONT) as a system that has
// only that face would show it: the sans-serif faces a system falls back on. Nothing is cut short,
// a label that must grow grows away from the box it names, and no text runs into another control.
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "pixels.h"
#include "wizard_window_fixture.h"

namespace quillet::win32::testing {
namespace {

// The face the system gives a font: the one asked for where it has it.
std::wstring FaceFound(HFONT font) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old_font = ::SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc, LF_FACESIZE, face);
  ::SelectObject(dc, old_font);
  ::DeleteDC(dc);
  return face;
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool HasFace(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::EnumFontFamiliesExW(dc, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ::DeleteDC(dc);
  return found;
}

// The parameter: the face forced with QUILLET_FONT; empty for the named ones.
class FacesTest : public WizardWindowTest, public ::testing::WithParamInterface<const wchar_t*> {
 protected:
  void SetUp() override {
    if (*GetParam() != L'\0') {
      if (!HasFace(GetParam()))
        GTEST_SKIP() << "face not installed (Debian: fonts-dejavu-core, fonts-liberation)";
      ::SetEnvironmentVariableW(L"QUILLET_FONT", GetParam());
    }
    WizardWindowTest::SetUp();
  }
  void TearDown() override {
    WizardWindowTest::TearDown();
    ::SetEnvironmentVariableW(L"QUILLET_FONT", nullptr);
  }

  // Where a label's text is drawn, in its parent's coordinates.
  RECT TextRect(std::string_view label) {
    HWND hwnd = Control(label);
    const RECT rect = RectInParent(hwnd);
    const SIZE text = TextExtent(hwnd, false);
    RECT drawn{rect.left, rect.top, rect.left + text.cx, rect.top + text.cy};
    switch (FindControlSpec(label)->align) {
      case TextAlign::kRight:
        drawn = RECT{rect.right - text.cx, rect.top, rect.right, rect.top + text.cy};
        break;
      case TextAlign::kCentre: {
        const LONG left = (rect.left + rect.right - text.cx) / 2;
        drawn = RECT{left, rect.top, left + text.cx, rect.top + text.cy};
        break;
      }
      case TextAlign::kLeft:
        break;
    }
    return drawn;
  }
};

std::string Describe(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + " to " +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

INSTANTIATE_TEST_SUITE_P(Faces, FacesTest,
                         ::testing::Values(L"", L"Tahoma", L"DejaVu Sans", L"Liberation Sans"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                           std::string name = *info.param ? Narrow(info.param) : "NamedFaces";
                           name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                           return name;
                         });

TEST_P(FacesTest, NothingIsCutShortAndLabelsGrowAwayFromTheirBoxes) {
  // Which faces the system gave, for the record.
  for (const char* control : {"Label6", "Label4", "Label3"}) {
    Control(control);
    RecordProperty(std::string(control) + "_face",
                   Narrow(FaceFound(window_->ControlFont(control))));
    std::printf("%s: %s\n", control, Narrow(FaceFound(window_->ControlFont(control))).c_str());
  }
  if (*GetParam() != L'\0') {
    // The face forced is the face found, for every role.
    for (const FontRole role :
         {FontRole::kDefault, FontRole::kPageTitle, FontRole::kProductTitle}) {
      HFONT font = nullptr;
      for (const ControlSpec& spec : FormControls()) {
        if (spec.font == role && font == nullptr) font = window_->ControlFont(spec.name);
      }
      EXPECT_EQ(FaceFound(font), GetParam());
    }
  }
  for (int step = 1; step <= kStepCount; ++step) Click(StepButtonName(step));
  Pump();

  for (const ControlSpec& spec : FormControls()) {
    SCOPED_TRACE(std::string(spec.name));
    HWND hwnd = Control(spec.name);
    const RECT rect = RectInParent(hwnd);
    RECT page{};
    ::GetClientRect(::GetParent(hwnd), &page);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    switch (spec.kind) {
      case ControlKind::kLabel: {
        const SIZE text = TextExtent(hwnd, false);
        EXPECT_GE(width, text.cx);
        EXPECT_GE(height, std::min<LONG>(text.cy, height));
        EXPECT_GE(rect.left, 0);
        EXPECT_LE(rect.right, page.right);
        if (spec.align == TextAlign::kRight) {
          // A right-aligned label ends where the table ends it, by its box.
          const PixelRect table =
              TwipsToPixels(spec.rect, window_->TwipsPerPixelX(), window_->TwipsPerPixelY());
          if (rect.left > 0) {
            EXPECT_EQ(rect.right, table.left + table.width);
          }
        }
        break;
      }
      case ControlKind::kCheckBox: {
        const SIZE text = TextExtent(hwnd, true);
        EXPECT_GE(width, ::MulDiv(17, window_->DpiX(), 96) + text.cx);
        EXPECT_LE(rect.right, page.right);
        break;
      }
      case ControlKind::kButton: {
        // The caption inside the raised edge, two pixels each side.
        const SIZE text = TextExtent(hwnd, true);
        EXPECT_GE(width, text.cx + 4) << "needs " << text.cx;
        EXPECT_GE(height, text.cy + 4);
        EXPECT_GE(rect.left, 0);
        EXPECT_LE(rect.right, page.right);
        break;
      }
      default:
        break;
    }
  }

  // No label's text runs into the box it names, nor into any other control
  // that is not decoration.
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind != ControlKind::kLabel || window_->Text(spec.name).empty()) continue;
    const RECT text = TextRect(spec.name);
    for (const ControlSpec& other : FormControls()) {
      if (other.page != spec.page || other.name == spec.name || IsDecorative(other) ||
          other.kind == ControlKind::kPage || !window_->IsVisible(other.name)) {
        continue;
      }
      const RECT occupied = other.kind == ControlKind::kLabel ? TextRect(other.name)
                                                              : RectInParent(Control(other.name));
      RECT overlap{};
      EXPECT_FALSE(::IntersectRect(&overlap, &text, &occupied))
          << spec.name << " text " << Describe(text) << " runs into " << other.name << " "
          << Describe(occupied);
    }
  }
}

}  // namespace
}  // namespace quillet::win32::testing
