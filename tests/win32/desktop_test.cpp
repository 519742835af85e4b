// The window on the desktop's colours, its own and a dark scheme's (set for
// the Wine session with SetSysColors): text that reads on every background
// the table fixes, switched-off text in the window's grey, the client area
// around the pages in the page colour, and the path boxes, which take no
// typing, in their rows' white or grey.
#include <memory>
#include <string>

#include "pixels.h"
#include "wizard_window_fixture.h"

namespace quillet::win32::testing {
namespace {

// The parameter: true on a dark desktop.
class DesktopTest : public WizardWindowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) dark_ = std::make_unique<DarkDesktop>();
    WizardWindowTest::SetUp();
  }
  void TearDown() override {
    WizardWindowTest::TearDown();
    dark_.reset();
  }

  // Step 4 with the sample INF chosen: the MIPS and ARM rows on, SH3 off.
  void ChooseTheSampleInf() {
    dialogs_.Pick(std::string(QUILLET_EXAMPLES_DIR) + "/windows_sample_package/Project1.inf");
    Click("cmdDPackage");
  }

  std::unique_ptr<DarkDesktop> dark_;
};

INSTANTIATE_TEST_SUITE_P(Desktops, DesktopTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Dark" : "OwnColours";
                         });

TEST_P(DesktopTest, TextColoursReadOnTheBackgroundsTheTableFixes) {
  for (const ControlSpec& spec : FormControls()) {
    const std::uint32_t text = TextColourOf(spec);
    if (text == kSystemColour) continue;
    SCOPED_TRACE(std::string(spec.name));
    const bool enabled = window_->IsEnabled(spec.name);
    const std::uint32_t expected = enabled ? text : kGreyTextColour;
    EXPECT_EQ(window_->TextColour(spec.name), expected);
    const std::uint32_t back = window_->BackColour(spec.name);
    // Usable text reads well (4.5); switched-off text is distinct (grey on
    // grey, as Windows draws it, below what usable text needs).
    EXPECT_GE(ContrastRatio(expected, back), enabled ? 4.5 : 2.0);
    // The boxes and the check box are given it when they ask.
    UINT message = 0;
    if (spec.kind == ControlKind::kTextBox && enabled && !spec.read_only) {
      message = WM_CTLCOLOREDIT;
    } else if (spec.kind == ControlKind::kTextBox || spec.kind == ControlKind::kTextArea ||
               spec.kind == ControlKind::kCheckBox) {
      message = WM_CTLCOLORSTATIC;
    }
    if (message != 0) {
      const AskedColours asked = AskColours(Control(spec.name), message);
      EXPECT_EQ(asked.text, expected);
      EXPECT_EQ(asked.brush, back);
    }
  }
}

TEST_P(DesktopTest, TextAsDrawnReadsOnItsBackground) {
  ChooseTheSampleInf();
  window_->SetText("txtWrapper2", "C:\\Stubs\\Sh3\\StubLauncher.exe");  // in a row switched off
  Click("cmdStep2");
  Type("txtAppName", L"Calc");  // "Same" copies it into the switched-off launcher name
  struct Drawn {
    const char* step;
    const char* control;
    std::uint32_t background;
    std::uint32_t ink;
  };
  const Drawn drawn[] = {
      {"cmdStep2", "Label6", kPageColour, kBlackTextColour},  // label on the page
      {"cmdStep2", "Label5", kPageColour, kBlackTextColour},  // page title
      {"cmdStep2", "txtCode", kEnabledBoxColour, kBlackTextColour},
      {"cmdStep2", "txtStep2", kPageColour, kBlackTextColour},  // guidance box
      {"cmdStep2", "txtAppName", kEnabledBoxColour, kBlackTextColour},
      {"cmdStep4", "txtDPackage", kEnabledBoxColour, kBlackTextColour},  // a path box
      {"cmdStep4", "txtStep4", kPageColour, kBlackTextColour},
      {"cmdStep5", "lblVersion", kPageColour, kAboutTextColour},
      {"cmdStep5", "Label3", kPageColour, kAboutTextColour},
      // Switched off: the window's grey, on the page and on a switched-off box.
      {"cmdStep2", "Label7", kPageColour, kGreyTextColour},
      {"cmdStep2", "txtWrapperName", kDisabledBoxColour, kGreyTextColour},
      {"cmdStep4", "lblWrapper2", kPageColour, kGreyTextColour},
      {"cmdStep4", "txtWrapper2", kDisabledBoxColour, kGreyTextColour},
  };
  for (const Drawn& d : drawn) {
    SCOPED_TRACE(d.control);
    Click(d.step);
    const DrawnContrast measured = Measure(Control(d.control));
    EXPECT_EQ(measured.background, d.background) << measured.Describe();
    EXPECT_EQ(measured.ink, d.ink) << measured.Describe();
    EXPECT_GE(measured.ratio, d.ink == kGreyTextColour ? 2.0 : 4.5) << measured.Describe();
  }

  // The desktop's colours are in force where the table leaves them to it:
  // the licence box has the desktop's window colours.
  Click("cmdStep5");
  Click("cmdLicense");
  const DrawnContrast licence = Measure(Control("txtLicense"));
  EXPECT_EQ(licence.background, ::GetSysColor(COLOR_WINDOW)) << licence.Describe();
  EXPECT_EQ(licence.ink, ::GetSysColor(COLOR_WINDOWTEXT)) << licence.Describe();
  if (GetParam()) {
    EXPECT_EQ(licence.background, 0x202020u);
  }

  // The check box's caption, right of its box.
  Click("cmdStep2");
  const Pixels same = Capture(Control("chkSame"));
  const DrawnContrast caption =
      Measure(same, RECT{::MulDiv(17, window_->DpiX(), 96), 0, same.width, same.height});
  EXPECT_EQ(caption.background, kPageColour) << caption.Describe();
  EXPECT_EQ(caption.ink, kBlackTextColour) << caption.Describe();

  // The step buttons' captions, inside their raised edges.
  for (const char* button : {"cmdStep1", "cmdStep2"}) {
    SCOPED_TRACE(button);
    const Pixels pixels = Capture(Control(button));
    const DrawnContrast measured = Measure(pixels, RECT{5, 5, pixels.width - 5, pixels.height - 5});
    EXPECT_EQ(measured.ink, kBlackTextColour) << measured.Describe();
    EXPECT_GE(measured.ratio, 4.5) << measured.Describe();
  }

  // The status list: white, a value in black.
  Click("cmdStep4");
  wizard_->Log().LogAction("Copy EXE", "C:\\Stubs\\Stub.exe", "C:\\Pkg\\", 0, "");
  Pump();
  RECT cell{};
  cell.top = 1;  // the sub-item
  cell.left = LVIR_LABEL;
  ::SendMessageW(Control("lvwStatus"), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
  const DrawnContrast value = Measure(Capture(Control("lvwStatus")), cell);
  EXPECT_EQ(value.background, kEnabledBoxColour) << value.Describe();
  EXPECT_EQ(value.ink, kBlackTextColour) << value.Describe();
}

TEST_P(DesktopTest, TheClientAreaAroundThePagesIsThePageColour) {
  int bare = 0;
  for (int step = 1; step <= kStepCount; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    Click(StepButtonName(step));
    const Pixels client = Capture(window_->Handle());
    // What lies on the client area: the shown page, the step buttons, the marker.
    std::vector<RECT> covered = {RectInParent(Control(PageName(step))),
                                 RectInParent(Control("txtEdge"))};
    for (int n = 1; n <= kStepCount; ++n)
      covered.push_back(RectInParent(Control(StepButtonName(n))));
    int wrong = 0;
    for (int y = 0; y < client.height; ++y) {
      for (int x = 0; x < client.width; ++x) {
        const POINT at{x, y};
        bool on_something = false;
        for (const RECT& rect : covered) on_something = on_something || ::PtInRect(&rect, at);
        if (on_something) continue;
        ++bare;
        if (client.At(x, y) != kClientColour && wrong++ == 0) {
          ADD_FAILURE() << x << "," << y << " is " << std::hex << client.At(x, y);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
  // The narrower pages leave a strip at the right.
  EXPECT_GT(bare, 0);
}

TEST_P(DesktopTest, PathBoxesTakeNoTypingButTheFocusSelectionAndCopying) {
  ChooseTheSampleInf();
  const std::string inf = window_->Text("txtDPackage");
  ASSERT_FALSE(inf.empty());
  for (const char* box : {"txtDPackage", "txtWrapper"}) {
    SCOPED_TRACE(box);
    const std::string before = window_->Text(box);
    Type(box, L"typed");
    ::SendMessageW(Control(box), WM_PASTE, 0, 0);
    ::SendMessageW(Control(box), WM_CUT, 0, 0);
    Pump();
    EXPECT_EQ(window_->Text(box), before);
    EXPECT_EQ(::GetFocus(), Control(box));
  }
  // The run uses what the box shows.
  EXPECT_EQ(wizard_->InfPath(), inf);

  // Tab into it selects the path, which can be copied.
  ::SetFocus(Control("txtStep4"));
  MSG tab{Control("txtStep4"), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  ASSERT_TRUE(window_->PreTranslateMessage(tab));
  ASSERT_EQ(::GetFocus(), Control("txtDPackage"));
  DWORD start = 1;
  DWORD end = 0;
  ::SendMessageW(Control("txtDPackage"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, Widen(inf).size());
  ::SendMessageW(Control("txtDPackage"), WM_COPY, 0, 0);
  std::wstring copied;
  if (::OpenClipboard(window_->Handle())) {
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
        copied = text;
        ::GlobalUnlock(data);
      }
    }
    ::CloseClipboard();
  }
  EXPECT_EQ(Narrow(copied), inf);

  // Drawn in the row's colours, not the desktop's grey of read-only boxes.
  EXPECT_EQ(Measure(Control("txtDPackage")).background, kEnabledBoxColour);
  EXPECT_EQ(Measure(Control("txtWrapper")).background, kEnabledBoxColour);
  EXPECT_EQ(Measure(Control("txtWrapper2")).background, kDisabledBoxColour);
}

}  // namespace
}  // namespace quillet::win32::testing
