// The window as a screen reader meets it, through the standard accessibility
// interface (oleacc's AccessibleObjectFromWindow and IAccessible, as screen
// readers call them): the table's name for every control, each box's label
// just before it, the "Browse" buttons told apart, the step buttons saying
// which page is shown (and announcing it), pictures as decoration, and the
// status rows' outcomes.
#include <oleacc.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "pixels.h"
#include "wizard_window_fixture.h"

namespace quillet::win32::testing {
namespace {

// A control's accessible object, as a screen reader gets it.
class Accessible {
 public:
  explicit Accessible(HWND control) {
    ::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&object_));
  }
  // The system's own object for the control, without the window's answers.
  static Accessible Standard(HWND control) {
    Accessible standard;
    ::CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                reinterpret_cast<void**>(&standard.object_));
    return standard;
  }
  Accessible(Accessible&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  Accessible(const Accessible&) = delete;
  Accessible& operator=(const Accessible&) = delete;
  ~Accessible() {
    if (object_ != nullptr) object_->Release();
  }

  bool Exists() const { return object_ != nullptr; }
  std::string Name(long child = CHILDID_SELF) const {
    return Text(&IAccessible::get_accName, child);
  }
  std::string Description(long child = CHILDID_SELF) const {
    return Text(&IAccessible::get_accDescription, child);
  }
  long Role() const { return Number(&IAccessible::get_accRole); }
  long State() const { return Number(&IAccessible::get_accState); }
  HWND Window() const {
    HWND window = nullptr;
    ::WindowFromAccessibleObject(object_, &window);
    return window;
  }

 private:
  Accessible() = default;

  static VARIANT Child(long child) {
    VARIANT id;
    ::VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    return id;
  }
  std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                   long child) const {
    if (object_ == nullptr) return "(no object)";
    BSTR text = nullptr;
    (object_->*get)(Child(child), &text);
    std::string narrow = text ? Narrow(text) : std::string();
    ::SysFreeString(text);
    return narrow;
  }
  long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) const {
    if (object_ == nullptr) return -1;
    VARIANT value;
    ::VariantInit(&value);
    (object_->*get)(Child(CHILDID_SELF), &value);
    return value.vt == VT_I4 ? value.lVal : -1;
  }

  IAccessible* object_ = nullptr;
};

// The controls whose name change was announced, while a test listens.
std::vector<HWND>* announced_names = nullptr;

void CALLBACK NoteNameChange(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD,
                             DWORD) {
  if (announced_names && object == OBJID_CLIENT && child == CHILDID_SELF) {
    announced_names->push_back(hwnd);
  }
}

class AccessibilityTest : public WizardWindowTest {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    WizardWindowTest::SetUp();
    // Every page made, as a screen reader walking the window finds them.
    for (const ControlSpec& spec : FormControls()) Control(spec.name);
  }
  void TearDown() override {
    WizardWindowTest::TearDown();
    ::CoUninitialize();
  }
};

TEST_F(AccessibilityTest, EveryControlHasTheTablesName) {
  std::set<std::string> names;
  for (const std::string_view name : TabOrder()) {
    SCOPED_TRACE(std::string(name));
    const ControlSpec& spec = *FindControlSpec(name);
    const Accessible control(Control(name));
    ASSERT_TRUE(control.Exists());
    EXPECT_EQ(control.Window(), Control(name));
    // Step 4 is shown: its button says so; every other name is the table's.
    const std::string expected =
        name == "cmdStep4" ? StepButtonAccessibleName(4, true) : AccessibleNameOf(spec);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(control.Name(), expected);
    EXPECT_TRUE(names.insert(control.Name()).second) << "twice: " << control.Name();
    EXPECT_EQ(control.Description(), std::string(spec.accessible_description));
    // The boxes that take no typing say so.
    if (spec.read_only || spec.kind == ControlKind::kTextArea) {
      EXPECT_TRUE(control.State() & STATE_SYSTEM_READONLY);
    } else if (spec.kind == ControlKind::kTextBox) {
      EXPECT_FALSE(control.State() & STATE_SYSTEM_READONLY);
    }
  }
  // The four "Browse" buttons, alike on screen, are told apart.
  for (const char* browse : {"Browse for the INF file", "Browse for the MIPS launcher",
                             "Browse for the SH3 launcher", "Browse for the ARM launcher"}) {
    EXPECT_EQ(names.count(browse), 1u) << browse;
  }
  EXPECT_EQ(window_->Text("cmdWrapperBrowse2"), "Browse");
  // A label is read by its text without the colon; one whose text the page
  // logic sets, by that text.
  EXPECT_EQ(Accessible(Control("Label2")).Name(), "eVB Distribution Package .INF file");
  Click("cmdStep5");
  EXPECT_EQ(Accessible(Control("lblVersion")).Name(), "Version: " QUILLET_PROJECT_VERSION);
}

TEST_F(AccessibilityTest, EachLabelComesJustBeforeItsBox) {
  for (const ControlSpec& spec : FormControls()) {
    if (spec.labelled_by.empty()) continue;
    SCOPED_TRACE(std::string(spec.name));
    HWND box = Control(spec.name);
    HWND label = Control(spec.labelled_by);
    // As in a dialog: the label just before the box, so the system's own
    // object names the box by it.
    EXPECT_EQ(::GetWindow(box, GW_HWNDPREV), label);
    EXPECT_EQ(Accessible::Standard(box).Name(), window_->Text(spec.labelled_by));
  }
  // Label2 overlaps its box by a pixel: the box is drawn whole, its top edge
  // included, though the label now lies in front of it.
  Click("cmdStep4");
  const RECT label = RectInParent(Control("Label2"));
  const RECT box = RectInParent(Control("txtDPackage"));
  ASSERT_GT(label.bottom, box.top) << "no overlap to look at";
  const Pixels page = Capture(Control("fraStep4"));
  const int x = (box.left + std::min(label.right, box.right)) / 2;
  EXPECT_NE(page.At(x, box.top), kPageColour) << "the box's top edge is covered";
}

TEST_F(AccessibilityTest, StepButtonsSayWhichPageIsShownAndAnnounceIt) {
  std::vector<HWND> announced;
  announced_names = &announced;
  HWINEVENTHOOK hook =
      ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, NoteNameChange,
                        ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);

  struct Case {
    const char* how;
    std::function<void()> go;
    int shown;
  };
  const Case cases[] = {
      {"click", [this] { Click("cmdStep2"); }, 2},
      {"Ctrl+Tab",
       [this] {
         HoldKeys(true, false);
         Key(::GetFocus(), VK_TAB);
         HoldKeys(false, false);
       },
       3},
      {"Enter",
       [this] {
         ::SetFocus(Control("cmdStep5"));
         Key(Control("cmdStep5"), VK_RETURN);
       },
       5},
  };
  int previous = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    announced.clear();
    c.go();
    Pump();
    for (int step = 1; step <= kStepCount; ++step) {
      EXPECT_EQ(Accessible(Control(StepButtonName(step))).Name(),
                StepButtonAccessibleName(step, step == c.shown));
    }
    // The two buttons whose names changed are announced, and no other.
    const std::set<HWND> expected = {Control(StepButtonName(previous)),
                                     Control(StepButtonName(c.shown))};
    EXPECT_EQ(std::set<HWND>(announced.begin(), announced.end()), expected);
    previous = c.shown;
  }
  ::UnhookWinEvent(hook);
  announced_names = nullptr;
  EXPECT_EQ(Accessible(Control("cmdStep5")).Name(), "Step 5, about Quillet, current page");
}

TEST_F(AccessibilityTest, PicturesAndLinesAreDecoration) {
  for (const ControlSpec& spec : FormControls()) {
    if (!IsDecorative(spec)) continue;
    SCOPED_TRACE(std::string(spec.name));
    const Accessible decoration(Control(spec.name));
    EXPECT_EQ(decoration.Name(), "");
    if (spec.kind == ControlKind::kPicture) {
      EXPECT_EQ(decoration.Role(), ROLE_SYSTEM_GRAPHIC);
    } else if (spec.kind == ControlKind::kRule) {
      EXPECT_EQ(decoration.Role(), ROLE_SYSTEM_SEPARATOR);
    }
  }
}

TEST_F(AccessibilityTest, StatusRowsSayWhatTheirColourShows) {
  StatusLog& log = wizard_->Log();
  log.LogAction("Move CAB", "a.CAB", "CD1\\", kStatusFailure, "No such file or directory");
  log.LogAction("INF Change", "Shortcuts", "QuilletShortcut", kStatusSuccess, "");
  log.LogAction("Run CMD", "C:\\Pkg\\", "", kStatusInformation, "cabwiz.exe Project1.inf");
  Pump();
  const Accessible list(Control("lvwStatus"));
  EXPECT_EQ(list.Name(), "Status of the modifications");
  // Rows are the list's children, from 1; their names the system's (the action).
  EXPECT_EQ(list.Name(1), "Move CAB");
  EXPECT_EQ(list.Description(1), "Failed: No such file or directory");
  EXPECT_EQ(list.Description(2), "Succeeded");
  EXPECT_EQ(list.Description(3), "Command: cabwiz.exe Project1.inf");
}

}  // namespace
}  // namespace quillet::win32::testing
